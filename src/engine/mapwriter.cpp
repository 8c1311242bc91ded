#include "mapwriter.h"

#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

QString outputFormatName(int outputFormat)
{
    return outputFormat == 1 ? QStringLiteral("png") : QStringLiteral("jpg");
}

bool writeMap(const QImage &map, const QString &path, int outputFormat, int quality,
              QString *errorText)
{
    auto fail = [errorText](const QString &reason) {
        if (errorText)
            *errorText = reason;
        return false;
    };
    if (map.isNull())
        return fail(QStringLiteral("there is no map to write"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    QImageWriter writer(&file, outputFormatName(outputFormat).toLatin1());
    writer.setQuality(quality);
    if (!writer.write(map)) {
        file.cancelWriting();
        return fail(writer.errorString());
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}
