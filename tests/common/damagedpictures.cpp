#include "damagedpictures.h"

#include <QBuffer>
#include <QPainter>
#include <QRadialGradient>
#include <QTest>

#include <cstdio>
#include <vector>
// clang-format off: jpeglib.h needs the declarations of cstdio first.
#include <jpeglib.h>
// clang-format on

namespace damagedpictures {

namespace {

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((value >> (24 - 8 * i)) & 0xFF);
    return bytes;
}

void appendLittleEndian16(QByteArray &bytes, int value)
{
    bytes.append(char(value & 0xFF));
    bytes.append(char((value >> 8) & 0xFF));
}

quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// LZW codes of a fixed width, packed least significant bit first into sub-blocks of at most
// 255 bytes, followed by the block terminator.
class GifCodeWriter
{
public:
    explicit GifCodeWriter(int width) : width(width) {}
    void put(int code) { put(code, width); }
    void put(int code, int codeWidth)
    {
        bits |= quint32(code) << bitCount;
        bitCount += codeWidth;
        while (bitCount >= 8) {
            packed.append(char(bits & 0xFF));
            bits >>= 8;
            bitCount -= 8;
        }
    }
    QByteArray finish()
    {
        if (bitCount > 0)
            packed.append(char(bits & 0xFF));
        QByteArray blocks;
        for (int start = 0; start < packed.size(); start += 255) {
            const QByteArray block = packed.mid(start, 255);
            blocks.append(char(block.size()));
            blocks.append(block);
        }
        blocks.append('\0');
        return blocks;
    }

private:
    int width;
    quint32 bits = 0;
    int bitCount = 0;
    QByteArray packed;
};

QByteArray gifHeader(QSize screen, int paletteBits)
{
    QByteArray gif("GIF89a");
    appendLittleEndian16(gif, screen.width());
    appendLittleEndian16(gif, screen.height());
    gif.append(char(0x80 | (paletteBits - 1))); // a global palette of 2^paletteBits colours
    gif.append('\0');                           // background colour
    gif.append('\0');                           // no aspect ratio
    return gif;
}

void appendImageDescriptor(QByteArray &gif, QSize image, bool interlaced = false)
{
    gif.append(',');
    appendLittleEndian16(gif, 0);
    appendLittleEndian16(gif, 0);
    appendLittleEndian16(gif, image.width());
    appendLittleEndian16(gif, image.height());
    gif.append(interlaced ? '\x40' : '\0');
}

// The rows of an interlaced GIF in the order they are stored: every eighth row from 0, every
// eighth from 4, every fourth from 2, every second from 1.
QList<int> interlacedRows(int height)
{
    QList<int> rows;
    for (const auto &pass : {std::make_pair(0, 8), {4, 8}, {2, 4}, {1, 2}})
        for (int y = pass.first; y < height; y += pass.second)
            rows.append(y);
    return rows;
}

// The colour of palette entry i of the 128-colour cube: 4 levels of red, 8 of green, 4 of blue.
QRgb cubeColour(int i)
{
    return qRgb((i >> 5) * 85, ((i >> 2) & 7) * 36, (i & 3) * 85);
}

int cubeIndex(QRgb colour)
{
    return (qRed(colour) / 64) << 5 | (qGreen(colour) / 32) << 2 | qBlue(colour) / 64;
}

// The picture in the 128-colour cube, with 8-bit codes: a clear code before the table would
// grow past 256 entries keeps every code 8 bits wide, which every reader accepts. Only the
// given share of the pixels is encoded; the end code follows them.
QByteArray encodeGif(const QImage &picture, bool interlaced = false, double share = 1.0)
{
    QByteArray gif = gifHeader(picture.size(), 7);
    for (int i = 0; i < 128; ++i) {
        const QRgb colour = cubeColour(i);
        gif.append(char(qRed(colour)));
        gif.append(char(qGreen(colour)));
        gif.append(char(qBlue(colour)));
    }
    appendImageDescriptor(gif, picture.size(), interlaced);
    gif.append(char(7)); // minimum code size
    const int clearCode = 128, endCode = 129, codesPerClear = 120;
    GifCodeWriter codes(8);
    int sinceClear = codesPerClear;
    QList<int> rows = interlaced ? interlacedRows(picture.height()) : QList<int>();
    if (!interlaced)
        for (int y = 0; y < picture.height(); ++y)
            rows.append(y);
    const qint64 pixels = qint64(share * picture.width() * picture.height());
    for (qint64 i = 0; i < pixels; ++i) {
        const int y = rows.at(int(i / picture.width())), x = int(i % picture.width());
        {
            if (sinceClear == codesPerClear) {
                codes.put(clearCode);
                sinceClear = 0;
            }
            codes.put(cubeIndex(picture.pixel(x, y)));
            ++sinceClear;
        }
    }
    codes.put(endCode);
    gif.append(codes.finish());
    gif.append(';');
    return gif;
}

QByteArray encodeWithQt(const QImage &picture, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, format, 90);
    return bytes;
}

QByteArray flipped(QByteArray bytes, int offset, int count = 1)
{
    for (int i = offset; i < offset + count && i < bytes.size(); ++i)
        bytes[i] = char(bytes[i] ^ 0xFF);
    return bytes;
}

// Offset of the JPEG start-of-frame marker (baseline or progressive), or -1.
int jpegFrameOffset(const QByteArray &jpeg)
{
    for (int i = 2; i + 1 < jpeg.size(); ++i)
        if (quint8(jpeg[i]) == 0xFF && (quint8(jpeg[i + 1]) == 0xC0 || quint8(jpeg[i + 1]) == 0xC2))
            return i;
    return -1;
}

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    const QByteArray body = type + data;
    return bigEndian32(quint32(data.size())) + body + bigEndian32(crc32(body));
}

QByteArray pngHeaderOnly(quint32 width, quint32 height)
{
    // 8-bit RGB, no interlace.
    return QByteArray("\x89PNG\r\n\x1a\n", 8) +
           pngChunk("IHDR", bigEndian32(width) + bigEndian32(height) +
                                QByteArray("\x08\x02\x00\x00\x00", 5));
}

QList<Sample> samplesOf(const QString &format)
{
    using Outcome = Sample::Outcome;
    const QByteArray intact = intactFile(format);
    const int n = intact.size();
    const QString name = QStringLiteral("%1.") + format;
    // A file whose picture data ends early is refused even when the decoder makes up the rest.
    const Outcome cutData = Sample::Refused;
    QList<Sample> samples;
    auto add = [&](const QString &damage, const QByteArray &bytes, Outcome outcome,
                   QSize declared = intactSize) {
        const QString stem = QString(damage).replace(QLatin1Char(' '), QLatin1Char('-'));
        samples.append(
            {format + QStringLiteral(": ") + damage, name.arg(stem), bytes, outcome, declared});
    };

    add(QStringLiteral("empty file"), QByteArray(), Sample::Refused);
    for (const int length : {1, 3, 6, 10})
        add(QStringLiteral("cut to %1 bytes").arg(length), intact.left(length), Sample::Refused);
    for (const int percent : {25, 50, 75, 95})
        add(QStringLiteral("cut to %1 percent").arg(percent), intact.left(n * percent / 100),
            cutData);
    // Only the end marker is damaged: every pixel is there.
    add(QStringLiteral("last byte missing"), intact.left(n - 1), Sample::RefusedOrDeclaredSize);
    // The GIF decoder, chosen by the suffix, does not look at the signature.
    add(QStringLiteral("signature flipped"), flipped(intact, 1),
        format == QLatin1String("gif") ? Sample::RefusedOrDeclaredSize : Sample::Refused);
    for (const int percent : {40, 60, 85})
        add(QStringLiteral("data flipped at %1 percent").arg(percent),
            flipped(intact, n * percent / 100, 3), Sample::RefusedOrDeclaredSize);

    // A byte of the declared size flipped: whatever the file decodes to must have the size the
    // header now declares.
    if (format == QLatin1String("png")) {
        // Width bytes 16..19 of the IHDR chunk; its checksum no longer matches.
        add(QStringLiteral("width flipped"), flipped(intact, 19), Sample::RefusedOrDeclaredSize,
            QSize(intactSize.width() ^ 0xFF, intactSize.height()));
    } else if (format == QLatin1String("jpg")) {
        const int frame = jpegFrameOffset(intact);
        // Frame header: marker, length (2), precision, height (2), width (2).
        add(QStringLiteral("height flipped"), flipped(intact, frame + 6),
            Sample::RefusedOrDeclaredSize, QSize(intactSize.width(), intactSize.height() ^ 0xFF));
    } else {
        // Logical screen width, low byte: the screen, and so the picture, grows.
        add(QStringLiteral("screen width flipped"), flipped(intact, 6),
            Sample::RefusedOrDeclaredSize, QSize(intactSize.width() ^ 0xFF, intactSize.height()));
    }
    return samples;
}

} // namespace

QImage intactPicture()
{
    QImage picture(intactSize, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient shade(QPointF(24, 18), 30);
    shade.setColorAt(0, QColor(240, 250, 255));
    shade.setColorAt(0.6, QColor(40, 120, 220));
    shade.setColorAt(1, QColor(10, 30, 90));
    painter.setBrush(shade);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(32, 24), 22, 22);
    // Some detail, so that damage to the data changes pixels.
    painter.setPen(QPen(QColor(30, 160, 60), 2));
    for (int i = 0; i < 5; ++i)
        painter.drawLine(14 + 7 * i, 10 + 3 * i, 22 + 6 * i, 36 - 2 * i);
    painter.end();
    return picture;
}

QByteArray intactFile(const QString &format)
{
    if (format == QLatin1String("gif"))
        return encodeGif(intactPicture());
    return encodeWithQt(intactPicture(), format == QLatin1String("png") ? "PNG" : "JPG");
}

namespace {

// One scan of a progressive script: the components, the band, the bit positions.
jpeg_scan_info scan(std::initializer_list<int> components, int first, int last)
{
    jpeg_scan_info info{};
    info.comps_in_scan = int(components.size());
    int i = 0;
    for (const int component : components)
        info.component_index[i++] = component;
    info.Ss = first;
    info.Se = last;
    return info;
}

} // namespace

QByteArray jpegEncoded(const QImage &picture, JpegLayout layout, int repeats)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *output = nullptr;
    unsigned long outputSize = 0;
    jpeg_mem_dest(&info, &output, &outputSize);
    info.image_width = JDIMENSION(rgb.width());
    info.image_height = JDIMENSION(rgb.height());
    const bool cmyk = layout == JpegLayout::Cmyk;
    info.input_components = cmyk ? 4 : 3;
    info.in_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    if (layout == JpegLayout::Sampling444 || layout == JpegLayout::Sampling422) {
        info.comp_info[0].h_samp_factor = layout == JpegLayout::Sampling444 ? 1 : 2;
        info.comp_info[0].v_samp_factor = 1;
    }
    if (layout == JpegLayout::Restarts)
        info.restart_in_rows = 1;
    std::vector<jpeg_scan_info> script;
    if (layout == JpegLayout::ScanPerCoefficient) {
        script.push_back(scan({0, 1, 2}, 0, 0));
        for (int component = 0; component < 3; ++component)
            for (int k = 1; k < 64; ++k)
                script.push_back(scan({component}, k, k));
    } else if (layout == JpegLayout::RepeatedScan) {
        script.push_back(scan({0, 1, 2}, 0, 0));
        script.push_back(scan({0}, 1, 63));
        script.push_back(scan({1}, 1, 63));
        script.push_back(scan({2}, 1, 63));
    }
    if (!script.empty()) {
        info.scan_info = script.data();
        info.num_scans = int(script.size());
    }
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(std::size_t(rgb.width()) * 4);
    while (info.next_scanline < info.image_height) {
        const uchar *line = rgb.constScanLine(int(info.next_scanline));
        for (int x = 0; x < rgb.width(); ++x) {
            if (!cmyk) {
                std::copy(line + 3 * x, line + 3 * x + 3, row.begin() + 3 * x);
                continue;
            }
            // Inverted: 255 is no ink. Black takes the darkest channel's share.
            const int k = std::max({line[3 * x], line[3 * x + 1], line[3 * x + 2]});
            for (int c = 0; c < 3; ++c)
                row[std::size_t(4 * x + c)] = JSAMPLE(k == 0 ? 255 : line[3 * x + c] * 255 / k);
            row[std::size_t(4 * x + 3)] = JSAMPLE(k);
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char *>(output), int(outputSize));
    std::free(output);
    if (layout == JpegLayout::RepeatedScan) {
        // The second scan (the luminance's) written again and again before the next one.
        QList<int> starts;
        for (int i = 0; i + 1 < bytes.size(); ++i)
            if (quint8(bytes[i]) == 0xFF && quint8(bytes[i + 1]) == 0xDA)
                starts.append(i);
        const QByteArray luminance = bytes.mid(starts[1], starts[2] - starts[1]);
        for (int i = 0; i < repeats; ++i)
            bytes.insert(starts[2], luminance);
    }
    return bytes;
}

QByteArray jpegWithBadHuffmanCode()
{
    QByteArray jpeg = intactFile(QStringLiteral("jpg"));
    const int scanStart = jpeg.indexOf(QByteArray("\xff\xda", 2));
    const int dataStart =
        scanStart + 2 + (quint8(jpeg[scanStart + 2]) << 8 | quint8(jpeg[scanStart + 3]));
    const int dataEnd = jpeg.lastIndexOf(QByteArray("\xff\xd9", 2));
    // A stuffed 0xFF byte stands for eight one bits; sixty-four in a row are no Huffman code
    // of any table.
    const QByteArray ones = QByteArray("\xff\x00", 2).repeated(8);
    jpeg.replace((dataStart + dataEnd) / 2, ones.size(), ones);
    return jpeg;
}

QByteArray interlacedGifCutAt(double share)
{
    return encodeGif(intactPicture(), true, share);
}

QByteArray tgaHeader()
{
    // No identifier, no palette, uncompressed true colour, origin 0 0, 64 x 48, 24 bits, top
    // left first.
    QByteArray tga = QByteArray::fromHex("000002000000000000000000");
    appendLittleEndian16(tga, intactSize.width());
    appendLittleEndian16(tga, intactSize.height());
    tga.append(char(24));
    tga.append(char(0x20));
    return tga;
}

QByteArray jpegDeclaring(quint16 width, quint16 height)
{
    QByteArray jpeg = encodeWithQt(intactPicture(), "JPG");
    const int frame = jpegFrameOffset(jpeg);
    jpeg[frame + 5] = char(height >> 8);
    jpeg[frame + 6] = char(height & 0xFF);
    jpeg[frame + 7] = char(width >> 8);
    jpeg[frame + 8] = char(width & 0xFF);
    return jpeg;
}

// LZW codes for a run of pixels of colour 1 with a minimum code size of 2 (clear 4, end 5,
// first entry 6): each code adds an entry one pixel longer than the one before, so entry e
// stands for e - 4 pixels, and a run of n pixels takes about n / 4091 codes once the table is
// full. The codes follow the decoder's state: its code width grows when its next entry reaches
// a power of two.
QByteArray oneColourRun(qint64 pixels)
{
    constexpr int clearCode = 4, endCode = 5, maxCodes = 4096;
    GifCodeWriter codes(3);
    codes.put(clearCode, 3);
    int width = 3, nextCode = clearCode + 2;
    qint64 previousLength = 0; // no code read since the clear code
    for (qint64 left = pixels; left > 0;) {
        int code = 1;
        qint64 length = 1;
        if (previousLength > 0) {
            if (nextCode < maxCodes && previousLength + 1 <= left) {
                code = nextCode;
                length = previousLength + 1;
            } else {
                // The longest entry that fits: entry e holds e - 4 pixels.
                length = qMin<qint64>(left, qint64(qMin(nextCode, maxCodes) - 1 - 4));
                code = length == 1 ? 1 : int(length + 4);
            }
        }
        codes.put(code, width);
        if (previousLength > 0 && nextCode < maxCodes && ++nextCode == 1 << width && width < 12)
            ++width;
        previousLength = length;
        left -= length;
    }
    codes.put(endCode, width);
    return codes.finish();
}

QByteArray gifDeclaring(QSize screen, QSize image)
{
    QByteArray gif = gifHeader(screen, 1);
    gif.append(QByteArray::fromHex("000000ffffff")); // black and white
    appendImageDescriptor(gif, image);
    gif.append(char(2)); // minimum code size
    gif.append(oneColourRun(qint64(image.width()) * image.height()));
    gif.append(';');
    return gif;
}

QByteArray pngDeclaring(quint32 width, quint32 height)
{
    // A zlib stream of one empty stored block: far too little data for any picture.
    return pngHeaderOnly(width, height) +
           pngChunk("IDAT", QByteArray::fromHex("7801010000ffff00000001")) +
           pngChunk("IEND", QByteArray());
}

QList<Sample> enormousSamples()
{
    QList<Sample> samples;
    auto add = [&samples](const QString &label, const QString &fileName, const QByteArray &bytes) {
        samples.append({label, fileName, bytes, Sample::TooLarge, QSize()});
    };
    add(QStringLiteral("png: 65000 x 65000"), QStringLiteral("huge.png"),
        pngDeclaring(65000, 65000));
    add(QStringLiteral("png: 2^31-1 x 1"), QStringLiteral("wide.png"), pngDeclaring(0x7FFFFFFF, 1));
    add(QStringLiteral("png: 2^31-1 x 2^31-1"), QStringLiteral("vast.png"),
        pngDeclaring(0x7FFFFFFF, 0x7FFFFFFF));
    add(QStringLiteral("png: one row over the limit"), QStringLiteral("over.png"),
        pngDeclaring(16384, 16385));
    add(QStringLiteral("jpg: 65000 x 65000"), QStringLiteral("huge.jpg"),
        jpegDeclaring(65000, 65000));
    add(QStringLiteral("jpg: 16385 x 16385"), QStringLiteral("over.jpg"),
        jpegDeclaring(16385, 16385));
    add(QStringLiteral("gif: image and screen 65000 x 65000"), QStringLiteral("huge.gif"),
        gifDeclaring(QSize(65000, 65000), QSize(65000, 65000)));
    add(QStringLiteral("gif: 1 x 1 image on a 65535 x 65535 screen"), QStringLiteral("screen.gif"),
        gifDeclaring(QSize(65535, 65535), QSize(1, 1)));
    add(QStringLiteral("gif: 100 x 100 image on a 20000 x 20000 screen"),
        QStringLiteral("wide-screen.gif"), gifDeclaring(QSize(20000, 20000), QSize(100, 100)));
    add(QStringLiteral("gif: 65535 x 2 image on a 65535 x 65535 screen"),
        QStringLiteral("strip.gif"), gifDeclaring(QSize(65535, 65535), QSize(65535, 2)));
    return samples;
}

QList<Sample> damagedSamples()
{
    QList<Sample> samples;
    for (const QString &format :
         {QStringLiteral("jpg"), QStringLiteral("png"), QStringLiteral("gif")})
        samples += samplesOf(format);
    samples.append({QStringLiteral("text file named .jpg"), QStringLiteral("notes.jpg"),
                    QByteArray("This is a text file, not a picture.\n"), Sample::Refused, QSize()});
    // Damage inside the data that the decoders would turn into made-up pixels.
    samples.append({QStringLiteral("jpg: bad Huffman code in the middle"),
                    QStringLiteral("garbled.jpg"), jpegWithBadHuffmanCode(), Sample::Refused,
                    QSize()});
    samples.append({QStringLiteral("gif: interlaced, data ends at 43 percent, terminated"),
                    QStringLiteral("short.gif"), interlacedGifCutAt(0.43), Sample::Refused,
                    QSize()});
    samples.append({QStringLiteral("text file named .png"), QStringLiteral("notes.png"),
                    QByteArray("\x89PNG but then only words\n"), Sample::Refused, QSize()});
    // An image wider than its screen: the picture is the screen, the rest is cut away.
    samples.append({QStringLiteral("gif: 65535 x 1 image on a 1 x 1 screen"),
                    QStringLiteral("clipped.gif"), gifDeclaring(QSize(1, 1), QSize(65535, 1)),
                    Sample::RefusedOrDeclaredSize, QSize(1, 1)});
    // Refused by the decoders themselves, before anything is allocated.
    samples.append({QStringLiteral("jpg: 65535 x 65535, beyond the decoder's limit"),
                    QStringLiteral("vast.jpg"), jpegDeclaring(65535, 65535), Sample::Refused,
                    QSize()});
    samples.append({QStringLiteral("png: 65000 x 65000, nothing after the header"),
                    QStringLiteral("header-only.png"), pngHeaderOnly(65000, 65000), Sample::Refused,
                    QSize()});
    samples += enormousSamples();
    return samples;
}

void addDamagedSampleRows()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Sample::Outcome>("outcome");
    QTest::addColumn<QSize>("declared");

    for (const Sample &sample : damagedSamples())
        QTest::newRow(qPrintable(sample.label))
            << sample.fileName << sample.bytes << sample.outcome << sample.declared;
}

} // namespace damagedpictures
