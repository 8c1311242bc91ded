#include "commandline.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

#include <cstring>

bool isSilentBatchStart(int argc, const char *const *argv)
{
    return argc >= 2 && argv[1] && std::strcmp(argv[1], "/batch") == 0;
}

QStringList expandBatchArguments(const QStringList &arguments)
{
    QStringList files;
    for (const QString &argument : arguments) {
        qDebug() << argument;
        if (!argument.contains(QLatin1Char('*')) && !argument.contains(QLatin1Char('?'))) {
            files << argument;
            continue;
        }
        const QFileInfo pattern(argument);
        const QDir folder(pattern.absolutePath());
        const QStringList names =
            folder.entryList(QStringList{pattern.fileName()}, QDir::Files, QDir::Unsorted);
        for (const QString &name : names) {
            qDebug() << name;
            files << folder.path() + QLatin1Char('/') + name;
        }
    }
    return files;
}

QString silentBatchUsage(const QString &programFile)
{
    return QStringLiteral("usage: %1 /batch file-or-pattern...")
        .arg(QFileInfo(programFile).fileName());
}
