#include "batch/batchfiles.h"

#include "engine/basics/diagnostics.h"
#include "engine/pictureio/mapwriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QVector>

#include <algorithm>
#include <dirent.h>
#include <limits>
#include <sys/stat.h>

namespace {

struct DatedPath
{
    QString path;
    qint64 modified;
};

qint64 modificationTime(const QString &path)
{
    const QDateTime time = QFileInfo(path).lastModified();
    return time.isValid() ? time.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
}

} // namespace

BatchOrder batchOrderForCode(int sortType)
{
    switch (sortType) {
    case 0:
        return BatchOrder::ByPath;
    case 1:
        return BatchOrder::NewestFirst;
    default:
        return BatchOrder::AsGiven;
    }
}

OutputNaming outputNamingForCode(int fileNameType)
{
    return fileNameType == 0 ? OutputNaming::FromInput : OutputNaming::Numbered;
}

void sortBatchFiles(QStringList &files, BatchOrder order)
{
    if (order == BatchOrder::ByPath) {
        // QString's operator< compares UTF-16 code units, so case matters.
        std::sort(files.begin(), files.end());
    } else if (order == BatchOrder::NewestFirst) {
        QVector<DatedPath> dated;
        dated.reserve(files.size());
        for (const QString &path : qAsConst(files))
            dated.append({path, modificationTime(path)});
        std::stable_sort(dated.begin(), dated.end(), [](const DatedPath &a, const DatedPath &b) {
            return a.modified > b.modified;
        });
        files.clear();
        for (const DatedPath &entry : qAsConst(dated)) {
            qCDebug(orvixDiagnostics) << entry.path;
            files.append(entry.path);
        }
    }
}

QString batchOutputPath(const QString &outputFolder, const QString &input, int position,
                        OutputNaming naming, MapFormat format)
{
    QString name;
    if (naming == OutputNaming::FromInput) {
        // A hidden file's name starts with a dot; its map gets a visible name.
        QString fileName = QFileInfo(input).fileName();
        while (fileName.startsWith(QLatin1Char('.')))
            fileName.remove(0, 1);
        name = fileName.section(QLatin1Char('.'), 0, 0);
    }
    if (name.isEmpty())
        name = QStringLiteral("map_") + QString::number(position);
    return outputFolder + "/" + name + "." + mapFormatName(format);
}

QString fileIdentity(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

QStringList filesMatchingPattern(const QString &folder, const QString &pattern)
{
    const QRegularExpression matcher(QRegularExpression::wildcardToRegularExpression(pattern),
                                     QRegularExpression::CaseInsensitiveOption);
    const QByteArray rawFolder = QFile::encodeName(folder);
    QStringList files;
    DIR *listing = ::opendir(rawFolder.constData());
    if (!listing)
        return files;
    while (const dirent *entry = ::readdir(listing)) {
        const QByteArray rawName(entry->d_name);
        if (rawName.startsWith('.'))
            continue;
        const QString name = QFile::decodeName(rawName);
        struct stat target;
        if (!matcher.match(name).hasMatch() ||
            ::stat((rawFolder + '/' + rawName).constData(), &target) != 0 ||
            !S_ISREG(target.st_mode))
            continue;
        files << folder + QLatin1Char('/') + name;
    }
    ::closedir(listing);
    return files;
}
