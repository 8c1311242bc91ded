#include "picturereader.h"

#include <QImageReader>
#include <QSize>

namespace {

// The JPEG decoder reports a file that ends before its last scan only as a warning and hands
// back a picture whose missing rows are grey. The warning is watched for while decoding, so
// such a file is refused like any other damaged one.
class TruncationWatch
{
public:
    TruncationWatch() : previous(qInstallMessageHandler(&TruncationWatch::handle))
    {
        active = this;
    }
    ~TruncationWatch()
    {
        active = nullptr;
        qInstallMessageHandler(previous);
    }
    TruncationWatch(const TruncationWatch &) = delete;
    TruncationWatch &operator=(const TruncationWatch &) = delete;

    bool sawTruncation = false;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        // Installed only while a watch exists, so active is set.
        if (type == QtWarningMsg &&
            (message.contains(QLatin1String("Premature end of JPEG file")) ||
             message.contains(QLatin1String("premature end of data segment"))))
            active->sawTruncation = true;
        if (active->previous)
            active->previous(type, context, message);
    }

    QtMessageHandler previous;
    static TruncationWatch *active;
};

TruncationWatch *TruncationWatch::active = nullptr;

} // namespace

QImage readPicture(const QString &path, QString *error)
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
    QImageReader reader(path);
    // The picture formats read here declare their size in the header, so an absurd size is
    // refused before the decoder allocates anything.
    const QSize declared = reader.size();
    if (declared.isValid() && qint64(declared.width()) * declared.height() > maxPicturePixels)
        return tooLarge(declared);

    QImage picture;
    TruncationWatch watch;
    if (!reader.read(&picture))
        return fail(reader.errorString());
    if (watch.sawTruncation)
        return fail(QStringLiteral("the file ends before the picture does"));
    if (qint64(picture.width()) * picture.height() > maxPicturePixels)
        return tooLarge(picture.size());
    return picture;
}
