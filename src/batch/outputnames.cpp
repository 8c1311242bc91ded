#include "batch/outputnames.h"

#include "batch/batchfiles.h"

#include "engine/pictureio/mapwriter.h"

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
    const bool isInput = inputIdentities.contains(fileIdentity(usual));
    if (!written.contains(usual) && !isInput)
        return usual;
    for (int serial = 2;; ++serial) {
        const QString renamed = serialName(usual, serial);
        if (available(renamed, inputIdentities)) {
            *note = (isInput ? QStringLiteral("renamed: %1 is an input picture of this batch")
                             : QStringLiteral("renamed: %1 was already written by this batch"))
                        .arg(QFileInfo(usual).fileName());
            return renamed;
        }
    }
}

MapTarget OutputNames::target(const QString &chosen, const QString &input, int position) const
{
    MapTarget target{chosen, overwrite, {}};
    const QString usual = batchOutputPath(folder, input, position, naming, format);
    if (overwrite || chosen == usual)
        return target;
    const QString stem = usual.left(usual.size() - suffix.size()) + "_";
    int serial = chosen.mid(stem.size(), chosen.size() - stem.size() - suffix.size()).toInt();
    // Called on the thread that writes the map: it holds copies only.
    target.nextName = [stem, suffix = suffix, serial](const QString &) mutable {
        return stem + QString::number(++serial) + suffix;
    };
    return target;
}

QString OutputNames::serialName(const QString &usual, int serial) const
{
    return usual.left(usual.size() - suffix.size()) + "_" + QString::number(serial) + suffix;
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
