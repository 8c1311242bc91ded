// Writes the fuzzers' seed corpus: settings and parameter files as the program writes them,
// a language file with all three sections, and tiny pictures in every format and layout the
// program reads. Run by hand when the seeds should change:
//     build-fuzz/tests/fuzz/orvix_make_fuzz_corpus tests/fuzz/corpus
#include "engine/pictureio/picturereader.h"
#include "mainwindow/mainwindow.h"
#include "picturefiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QSettings>
#include <QTimer>

#include <cstdio>

namespace {

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool writeSettingsSeeds(const QDir &folder)
{
    MainWindow window;
    window.startupTimer->stop();
    // The first run's file: every key at its default.
    window.settingsFile = folder.filePath(QStringLiteral("first-run.ini"));
    window.loadSettings();
    window.saveSettings();

    // A file after a session that changed every kind of value.
    window.centerX = 520;
    window.centerY = 295;
    window.radius = 294;
    window.penSize = 5;
    window.penColor = QColor(QStringLiteral("#8000ff80"));
    window.distance = 6.6;
    window.outputSizeX = 64;
    window.outputSizeY = 32;
    window.outputFormat = 1;
    window.outputQuality = 40;
    window.latitude = 35.5;
    window.longitude = -139.75;
    window.azimuth = 270;
    window.autoPreview = true;
    window.autoSize = false;
    window.overwrite = false;
    window.openFiler = false;
    window.sortType = 1;
    window.fileNameType = 1;
    window.loadFileName = QStringLiteral("/pictures/globe.jpg");
    window.saveFileName = QStringLiteral("/pictures/KY-globe.png");
    window.inputFolder = QStringLiteral("/pictures");
    window.outputFolder = QStringLiteral("/maps");
    window.settingsFile = folder.filePath(QStringLiteral("edited.ini"));
    window.saveSettings();

    // Hand edits: values out of range, no numbers, the wrong types and an extra key.
    return writeBytes(folder.filePath(QStringLiteral("hand-edited.ini")),
                      "[General]\nCenterX=2147483647\nCenterY=-2147483648\nRadius=-5\n"
                      "PenSize=5000\nPenColor=red\nDistance=nan\nLatitude=inf\n"
                      "Longitude=-1e308\nAzimuth=abc\nOutputSizeX=16\nOutputSizeY=8\n"
                      "OutputFormat=7\nOutputQuality=-1\nInputFileSortType=9\n"
                      "PreviewWindow=true\nAutoPreview=true\nAutoSize=maybe\n"
                      "Geometry=@ByteArray(\\x1\\xd9\\xd0\\xcb\\0\\x3)\n"
                      "PreviewGeometry=@Rect(0 0 -5 100000)\nUserKey=kept\n");
}

bool writeLanguageSeeds(const QDir &folder)
{
    const QByteArray full =
        "[main]\ntitle=Globe to map\nlbl_1=1) Open a picture\n"
        "lbl_2=2) Mark the globe with the mouse,\\nthen fine-tune below\n"
        "btn_open=Open\nbtn_preview=Preview\nbtn_conv=Convert\nmenu_file=File\n"
        "cmd_setting=Settings...\nopen_error=\" could not be opened\"\n"
        "batch_fail2=\" converted, \"\nsaved_file= saved\nfile_filter=Pictures (*.gif *.png "
        "*.jpg)\n"
        "preview_window_title=Preview\n"
        "[batch_convert]\ntitle=Convert several pictures\nlbl_1=Converts every picture\n"
        "btn_file=Files...\nfile_selected=\" files selected\"\nchk_overwrite=Overwrite\n"
        "[config]\ntitle=Settings\nlbl_1=Camera distance (globe radii 1 - 100)\n"
        "lbl_2=Map size\\n(1024x1024 - 8192x8192)\nerror_mess=Please enter a value in range\n"
        "btn_default=Defaults\n";
    const QByteArray oddities = "[main]\ntitle=a, b\nlbl_1=\nbtn_open=\"   \"\n"
                                "open_error=@Variant(\\0\\0\\0\\n\\0\\0\\0\\0)\n"
                                "[config]\ntitle=\xe8\xa8\xad\xe5\xae\x9a\n"
                                "[batch_convert]\nlbl_1=\"unterminated\n";
    return writeBytes(folder.filePath(QStringLiteral("three-sections.ini")), full) &&
           writeBytes(folder.filePath(QStringLiteral("oddities.ini")), oddities);
}

bool writeParameterSeeds(const QDir &folder)
{
    {
        // As the save command writes it.
        QSettings file(folder.filePath(QStringLiteral("circle.ini")), QSettings::IniFormat);
        file.setIniCodec("UTF-8");
        file.setValue(QStringLiteral("CenterX"), 80);
        file.setValue(QStringLiteral("CenterY"), 60);
        file.setValue(QStringLiteral("Radius"), 58);
    }
    return writeBytes(folder.filePath(QStringLiteral("no-radius.ini")),
                      "[General]\nCenterX=520\nCenterY=295\n") &&
           writeBytes(folder.filePath(QStringLiteral("limits.ini")),
                      "[General]\nCenterX=-2147483648\nCenterY=2147483647\nRadius=2147483647\n");
}

// A GIF without compression: a clear code before every second pixel keeps the codes at three
// bits, which is all an encoder needs to be valid. Qt reads GIF but cannot write it.
QByteArray tinyGif(int width, int height)
{
    QByteArray gif("GIF89a");
    auto word = [&gif](int value) {
        gif.append(char(value & 0xff));
        gif.append(char(value >> 8));
    };
    word(width);
    word(height);
    gif.append(char(0x81)); // global colour table of 4 entries
    gif.append('\0');
    gif.append('\0');
    gif.append(QByteArray::fromHex("000000ff0000"
                                   "00ff000000ff"));
    gif.append(',');
    word(0);
    word(0);
    word(width);
    word(height);
    gif.append('\0');
    gif.append('\2'); // minimum code size

    QByteArray codes;
    quint32 bits = 0;
    int bitCount = 0;
    auto put = [&](int code) {
        bits |= quint32(code) << bitCount;
        bitCount += 3;
        while (bitCount >= 8) {
            codes.append(char(bits & 0xff));
            bits >>= 8;
            bitCount -= 8;
        }
    };
    const int clear = 4;
    const int end = 5;
    for (int i = 0; i < width * height; ++i) {
        if (i % 2 == 0)
            put(clear);
        put((i % width + i / width) % 4);
    }
    put(end);
    if (bitCount > 0)
        codes.append(char(bits & 0xff));
    for (int at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        gif.append(char(block.size()));
        gif.append(block);
    }
    gif.append('\0');
    gif.append(';');
    return gif;
}

// Every picture seed must decode, or it would only exercise the reader's refusals.
bool allPicturesDecode(const QDir &folder)
{
    for (const QString &name : folder.entryList(QDir::Files)) {
        QString error;
        if (readPicture(folder.filePath(name), &error).isNull()) {
            std::fprintf(stderr, "%s does not decode: %s\n", qPrintable(name), qPrintable(error));
            return false;
        }
    }
    return true;
}

// TIFFs of the layouts the reader takes (depths, alpha, compressions, strips and tiles, a turned
// one) and WebPs lossy and lossless, with and without alpha.
bool writeTiffAndWebpSeeds(const QDir &folder, const QImage &colour, const QImage &alpha)
{
    using picturefiles::TiffVariant;
    const QImage tiles = colour.scaled(18, 17);
    const QImage deep = alpha.convertToFormat(QImage::Format_RGBA64);
    const struct
    {
        const char *name;
        QImage picture;
        TiffVariant variant;
    } tiffs[] = {
        {"plain.tif", colour, {8, 3, 1, false, 3}},
        {"alpha-lzw-tiles.tif", tiles.convertToFormat(QImage::Format_ARGB32), {8, 4, 5, true}},
        {"deep-deflate.tif", deep, {16, 3, 8, false, 4}},
        {"deep-grey-alpha-tiles.tif", deep, {16, 2, 32946, true}},
        {"associated-packbits.tif", alpha, {8, 4, 32773, false, 8, true}},
        {"ycbcr-jpeg-tiles.tif", tiles, {8, 3, 7, true, 8, false, true}},
        {"grey-jpeg.tif", colour, {8, 1, 7, false, 8}},
        {"turned.tif", colour, {8, 3, 5, false, 2, false, false, 6}},
    };
    for (const auto &tiff : tiffs)
        if (!picturefiles::writeFile(folder.filePath(QLatin1String(tiff.name)),
                                     picturefiles::tiffBytes(tiff.picture, tiff.variant)))
            return false;
    return picturefiles::writeFile(folder.filePath(QStringLiteral("lossy.webp")),
                                   picturefiles::webpBytes(colour, false, 50)) &&
           picturefiles::writeFile(folder.filePath(QStringLiteral("lossy-alpha.webp")),
                                   picturefiles::webpBytes(alpha, false, 50)) &&
           picturefiles::writeFile(folder.filePath(QStringLiteral("lossless.webp")),
                                   picturefiles::webpBytes(alpha, true));
}

bool writePictureSeeds(const QDir &folder)
{
    QImage colour(12, 8, QImage::Format_RGB32);
    for (int y = 0; y < colour.height(); ++y)
        for (int x = 0; x < colour.width(); ++x)
            colour.setPixel(x, y, qRgb(x * 20, y * 30, 128));
    QImage alpha = colour.convertToFormat(QImage::Format_ARGB32);
    alpha.setPixel(0, 0, qRgba(0, 0, 0, 0));
    QImageWriter progressive(folder.filePath(QStringLiteral("progressive.jpg")), "jpg");
    progressive.setProgressiveScanWrite(true);
    return colour.save(folder.filePath(QStringLiteral("colour.jpg")), "jpg", 80) &&
           colour.convertToFormat(QImage::Format_Grayscale8)
               .save(folder.filePath(QStringLiteral("grey.jpg")), "jpg", 50) &&
           progressive.write(colour) &&
           colour.save(folder.filePath(QStringLiteral("colour.png")), "png") &&
           alpha.save(folder.filePath(QStringLiteral("alpha.png")), "png") &&
           colour.convertToFormat(QImage::Format_Indexed8)
               .save(folder.filePath(QStringLiteral("indexed.png")), "png") &&
           colour.convertToFormat(QImage::Format_Mono)
               .save(folder.filePath(QStringLiteral("mono.png")), "png") &&
           colour.copy(0, 0, 1, 1).save(folder.filePath(QStringLiteral("one-pixel.png")), "png") &&
           writeBytes(folder.filePath(QStringLiteral("tiny.gif")), tinyGif(6, 4)) &&
           writeTiffAndWebpSeeds(folder, colour, alpha) && allPicturesDecode(folder);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const QDir corpus(QString::fromLocal8Bit(argv[1]));
    const QString names[] = {QStringLiteral("fuzz_settings"), QStringLiteral("fuzz_language"),
                             QStringLiteral("fuzz_parameters"), QStringLiteral("fuzz_picture")};
    for (const QString &name : names) {
        if (!corpus.mkpath(name)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(corpus.filePath(name)));
            return 1;
        }
    }
    const bool written = writeSettingsSeeds(QDir(corpus.filePath(names[0]))) &&
                         writeLanguageSeeds(QDir(corpus.filePath(names[1]))) &&
                         writeParameterSeeds(QDir(corpus.filePath(names[2]))) &&
                         writePictureSeeds(QDir(corpus.filePath(names[3])));
    if (!written) {
        std::fprintf(stderr, "a seed could not be written\n");
        return 1;
    }
    return 0;
}
