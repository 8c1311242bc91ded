#include "batch/outputnames.h"

#include "batch/batchfiles.h"

#include "engine/mapwriter.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

QString outputFolderProblem(const QString &folder)
{
    if (folder.isEmpty())
        return QStringLiteral("no output folder is set");
    const QFileInfo info(folder);
    if (!info.exists())
        return QStringLiteral("the output folder %1 does not exist").arg(folder);
    if (!info.isDir())
        return QStringLiteral("the output folder %1 is not a folder").arg(folder);
    return QString();
}

bool directoryEntryExists(const QString &path)
{
    struct stat entry;
    return ::lstat(QFile::encodeName(path).constData(), &entry) == 0;
}

OutputNames::OutputNames(const QString &folder, OutputNaming naming, MapFormat format,
                         bool overwrite)
    : folder(folder), naming(naming), format(format), suffix("." + mapFormatName(format)),
      overwrite(overwrite)
{
}

QString OutputNames::choose(const QString &input, int position,
                            const QSet<QString> &inputIdentities, QString *note) const
{
    note->clear();
    const QString usual = batchOutputPath(folder, input, position, naming, format);
    if (!written.contains(usual))
        return usual;
    for (int serial = 2;; ++serial) {
        const QString renamed =
            usual.left(usual.size() - suffix.size()) + "_" + QString::number(serial) + suffix;
        if (available(renamed, inputIdentities)) {
            *note = QStringLiteral("renamed: %1 was already written by this batch")
                        .arg(QFileInfo(usual).fileName());
            return renamed;
        }
    }
}

void OutputNames::markWritten(const QString &path)
{
    written.insert(path);
}

bool OutputNames::available(const QString &path, const QSet<QString> &inputIdentities) const
{
    if (written.contains(path) || inputIdentities.contains(fileIdentity(path)))
        return false;
    return overwrite || !directoryEntryExists(path);
}
