#include "batchpicture.h"

#include <QImageReader>
#include <QSize>

QImage readBatchPicture(const QString &path, QString *error)
{
    QImageReader reader(path);
    // The picture formats read here declare their size in the header, so an absurd size is
    // refused before the decoder allocates anything.
    const QSize declared = reader.size();
    if (declared.isValid() &&
        qint64(declared.width()) * declared.height() > maxBatchPicturePixels) {
        *error = QStringLiteral("the picture is too large (%1 x %2 pixels)")
                     .arg(declared.width())
                     .arg(declared.height());
        return QImage();
    }
    QImage picture = reader.read();
    if (picture.isNull())
        *error = reader.errorString();
    return picture;
}
