#include "programpaths.h"

#include <QDir>
#include <QFileInfo>

ProgramPaths programPathsFor(const QString &programFile)
{
    const QFileInfo info(QDir::current().absoluteFilePath(programFile));
    const QString stem = info.absolutePath() + "/" + info.fileName().section('.', 0, 0);
    return {stem + ".ini", stem + "_lang.ini"};
}
