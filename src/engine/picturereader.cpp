#include "picturereader.h"

#include "gifblocks.h"
#include "pictureformat.h"
#include "regularfile.h"
#include "sixteenbitpng.h"

#include <QFile>
#include <QImageReader>
#include <QSize>

#include <atomic>
#include <climits>
#include <mutex>

namespace {

// The JPEG decoder reports a file that ends before its last scan only as a warning and hands
// back a picture whose missing rows are grey. The warning is watched for while decoding, so
// such a file is refused like any other damaged one.
//
// Qt's message handler is one for the whole process, while pictures may be read on several
// threads at once (a batch reads the next picture while it converts the current one). The
// handler is therefore installed by the first watch and restored by the last, and each thread
// sees only the warnings of its own decoder: the decoder warns on the thread that reads.
class TruncationWatch
{
public:
    TruncationWatch()
    {
        active = this;
        const std::lock_guard<std::mutex> lock(installation);
        if (watches++ == 0)
            previous = qInstallMessageHandler(&TruncationWatch::handle);
    }
    ~TruncationWatch()
    {
        active = nullptr;
        const std::lock_guard<std::mutex> lock(installation);
        if (--watches == 0)
            qInstallMessageHandler(previous.load());
    }
    TruncationWatch(const TruncationWatch &) = delete;
    TruncationWatch &operator=(const TruncationWatch &) = delete;

    bool sawTruncation = false;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        // Messages of other threads, which watch nothing, pass through unchanged.
        TruncationWatch *watch = active;
        if (watch && type == QtWarningMsg &&
            (message.contains(QLatin1String("Premature end of JPEG file")) ||
             message.contains(QLatin1String("premature end of data segment"))))
            watch->sawTruncation = true;
        if (const QtMessageHandler forward = previous.load())
            forward(type, context, message);
    }

    static thread_local TruncationWatch *active;
    static std::mutex installation;
    static int watches;
    // Read by handle on any thread, written under the mutex.
    static std::atomic<QtMessageHandler> previous;
};

thread_local TruncationWatch *TruncationWatch::active = nullptr;
std::mutex TruncationWatch::installation;
int TruncationWatch::watches = 0;
std::atomic<QtMessageHandler> TruncationWatch::previous{nullptr};

// The GIF reader reports the size of the first image, or that image's extent when the
// logical screen is more than ten times larger, yet it decodes onto a canvas of the whole
// logical screen. A tiny image on a 65535 x 65535 screen would so pass the size check and
// then allocate 16 GiB. The canvas is at most the larger of the screen and the reported size.
QSize gifCanvasBound(const QByteArray &header, QSize reported)
{
    if (header.size() < 10)
        return reported;
    // The logical screen's width and height, little-endian, after the six-byte signature.
    const auto field = [&header](int offset) {
        return int(quint8(header[offset])) | int(quint8(header[offset + 1])) << 8;
    };
    return reported.expandedTo(QSize(field(6), field(8)));
}

// The PNG reader tells no size at all for a header beyond its own limits (a million pixels a
// side); the header's own fields then name the size, so that the refusal can say why.
QSize pngHeaderSize(const QByteArray &header)
{
    if (header.size() < 24 || header.mid(12, 4) != "IHDR")
        return QSize();
    // Width and height, big-endian, as the first fields of the IHDR chunk.
    const auto field = [&header](int offset) {
        quint32 value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | quint8(header[offset + i]);
        return int(qMin<quint32>(value, INT_MAX));
    };
    return QSize(field(16), field(20));
}

} // namespace

QImage readPicture(const QString &path, QString *error, QImage spentPicture)
{
    auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return QImage();
    };
    auto tooLarge = [&fail](QSize size) {
        return fail(QStringLiteral("the picture is too large (%1 x %2 pixels)")
                        .arg(size.width())
                        .arg(size.height()));
    };
    // A FIFO or a device would block the read or never end; a folder is no picture.
    QFile file;
    QString problem;
    if (!openRegularFile(file, path, -1, &problem))
        return fail(problem);
    const QByteArray start = file.peek(pictureSignatureLength);
    const PictureFormat format = pictureFormatOf(start);
    if (!format.accepted())
        return fail(format.refusal);
    if (format.readerFormat == "gif") {
        // GIF files are small next to their pictures; their blocks are checked in memory,
        // before the decoder sees the file.
        const QByteArray gif = file.readAll();
        if (gifHasImageOutsideScreen(gif))
            return fail(QStringLiteral("an image of the GIF lies outside its logical screen"));
        if (gifEndsInsideAnImage(gif))
            return fail(QStringLiteral("the file ends before the picture does"));
        if (!file.seek(0))
            return fail(file.errorString());
    }

    // The picture formats read here declare their size in the header, so an absurd size is
    // refused before the decoder allocates anything.
    QImageReader reader(&file, format.readerFormat);
    QSize declared = reader.size();
    if (format.readerFormat == "gif")
        declared = gifCanvasBound(start, declared);
    else if (format.readerFormat == "png" && !declared.isValid())
        declared = pngHeaderSize(start);
    if (declared.isValid() && qint64(declared.width()) * declared.height() > maxPicturePixels)
        return tooLarge(declared);

    if (isSixteenBitPng(start)) {
        QString reason;
        if (!file.seek(0))
            return fail(file.errorString());
        const QImage picture = readSixteenBitPng(file, maxPicturePixels, &reason);
        return picture.isNull() ? fail(reason) : picture;
    }

    // Qt's JPEG reader decodes into the image it is given when size and format match; the
    // other readers may leave parts of an old picture behind, so they always start afresh.
    QImage picture;
    if (format.readerFormat == "jpeg" && spentPicture.isDetached())
        picture = std::move(spentPicture);
    TruncationWatch watch;
    if (!reader.read(&picture))
        return fail(reader.errorString());
    if (watch.sawTruncation)
        return fail(QStringLiteral("the file ends before the picture does"));
    if (qint64(picture.width()) * picture.height() > maxPicturePixels)
        return tooLarge(picture.size());
    return picture;
}
