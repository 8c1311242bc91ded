#include "batch/batchfiles.h"

#include "engine/mapwriter.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QVector>

#include <algorithm>
#include <limits>

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

void sortBatchFiles(QStringList &files, int sortType)
{
    if (sortType == 0) {
        // QString's operator< compares UTF-16 code units, so case matters.
        std::sort(files.begin(), files.end());
    } else if (sortType == 1) {
        QVector<DatedPath> dated;
        dated.reserve(files.size());
        for (const QString &path : qAsConst(files))
            dated.append({path, modificationTime(path)});
        std::stable_sort(dated.begin(), dated.end(), [](const DatedPath &a, const DatedPath &b) {
            return a.modified > b.modified;
        });
        files.clear();
        for (const DatedPath &entry : qAsConst(dated)) {
            qDebug() << entry.path;
            files.append(entry.path);
        }
    }
}

QString batchOutputPath(const QString &outputFolder, const QString &input, int position,
                        int fileNameType, int outputFormat)
{
    const QString name = fileNameType == 0 ? QFileInfo(input).fileName().section('.', 0, 0)
                                           : QStringLiteral("map_") + QString::number(position);
    return outputFolder + "/" + name + "." + outputFormatName(outputFormat);
}

QString fileIdentity(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}
