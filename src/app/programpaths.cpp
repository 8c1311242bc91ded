#include "app/programpaths.h"

#include <QDir>
#include <QFileInfo>

ProgramPaths programPathsFor(const QString &programFile)
{
    const QFileInfo info(QDir::current().absoluteFilePath(programFile));
    const QString stem = info.absolutePath() + "/" + info.fileName().section('.', 0, 0);
    return {stem + ".ini", stem + "_lang.ini"};
}

ProgramPaths programPathsFor(const QString &programFile, const QString &userFolder)
{
    const ProgramPaths beside = programPathsFor(programFile);
    if (userFolder.isEmpty() || QFileInfo(QFileInfo(beside.settingsFile).path()).isWritable())
        return beside;
    const QString userStem =
        QDir(userFolder)
            .filePath(QFileInfo(programFile).fileName().section(QLatin1Char('.'), 0, 0));
    const QString languageFile =
        QFileInfo::exists(beside.languageFile) ? beside.languageFile : userStem + "_lang.ini";
    return {userStem + ".ini", languageFile};
}
