#include "mapwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

bool isSymbolicLink(const QString &path)
{
    struct stat entry;
    return ::lstat(QFile::encodeName(path).constData(), &entry) == 0 && S_ISLNK(entry.st_mode);
}

// A name beside path that nothing uses yet, for a map on its way to a link's place.
QString unusedSiblingName(const QString &path)
{
    const QFileInfo info(path);
    for (int attempt = 1;; ++attempt) {
        const QString candidate =
            info.dir().filePath(QStringLiteral(".%1.%2.new").arg(info.fileName()).arg(attempt));
        struct stat entry;
        if (::lstat(QFile::encodeName(candidate).constData(), &entry) != 0)
            return candidate;
    }
}

bool saveWhole(const QImage &map, const QString &path, MapFormat format, int quality,
               QString *errorText)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *errorText = file.errorString();
        return false;
    }
    QImageWriter writer(&file, mapFormatName(format).toLatin1());
    writer.setQuality(quality);
    if (!writer.write(map)) {
        file.cancelWriting();
        *errorText = writer.errorString();
        return false;
    }
    if (!file.commit()) {
        *errorText = file.errorString();
        return false;
    }
    return true;
}

} // namespace

MapFormat mapFormatForCode(int outputFormat)
{
    return outputFormat == 1 ? MapFormat::Png : MapFormat::Jpg;
}

QString mapFormatName(MapFormat format)
{
    return format == MapFormat::Png ? QStringLiteral("png") : QStringLiteral("jpg");
}

QString outputFormatName(int outputFormat)
{
    return mapFormatName(mapFormatForCode(outputFormat));
}

bool writeMap(const QImage &map, const QString &path, MapFormat format, int quality,
              QString *errorText)
{
    QString reason;
    auto fail = [errorText](const QString &text) {
        if (errorText)
            *errorText = text;
        return false;
    };
    if (map.isNull())
        return fail(QStringLiteral("there is no map to write"));
    if (!isSymbolicLink(path))
        return saveWhole(map, path, format, quality, &reason) || fail(reason);
    // QSaveFile replaces the file a link points to, which may lie anywhere. The map is saved
    // whole beside the link instead and then renamed over the link itself.
    const QString sibling = unusedSiblingName(path);
    if (!saveWhole(map, sibling, format, quality, &reason))
        return fail(reason);
    if (std::rename(QFile::encodeName(sibling).constData(), QFile::encodeName(path).constData()) !=
        0) {
        const QString renameError = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(sibling);
        return fail(renameError);
    }
    return true;
}
