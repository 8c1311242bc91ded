#include "batch/batcharguments.h"

#include "batch/batchfiles.h"
#include "engine/basics/diagnostics.h"

#include <QFileInfo>

QStringList expandBatchArguments(const QStringList &arguments)
{
    QStringList files;
    for (const QString &argument : arguments) {
        qCDebug(orvixDiagnostics) << argument;
        if (!argument.contains(QLatin1Char('*')) && !argument.contains(QLatin1Char('?'))) {
            files << argument;
            continue;
        }
        const QFileInfo pattern(argument);
        // Names that are not valid UTF-8 are kept, for the batch to report them.
        const QStringList matches =
            filesMatchingPattern(pattern.absolutePath(), pattern.fileName());
        for (const QString &match : matches) {
            qCDebug(orvixDiagnostics) << QFileInfo(match).fileName();
            files << match;
        }
    }
    return files;
}
