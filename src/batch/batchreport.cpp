#include "batch/batchreport.h"

#include "batch/batchrunner.h"

QString batchResultText(const QMap<QString, QString> &texts, const BatchSummary &summary)
{
    if (summary.allConverted())
        return texts.value("batch_success");
    return texts.value("batch_fail1") + QString::number(summary.succeeded) +
           texts.value("batch_fail2") + QString::number(summary.failed) +
           texts.value("batch_fail3");
}

QString batchFileLine(const BatchFileOutcome &outcome)
{
    if (outcome.written)
        return outcome.input + " -> " + outcome.output;
    if (outcome.output.isEmpty())
        return outcome.input + ": " + outcome.reason;
    return outcome.input + " -> " + outcome.output + ": " + outcome.reason;
}

QString batchSummaryLine(const BatchSummary &summary)
{
    if (summary.total == 0)
        return QStringLiteral("No input files: nothing was converted.");
    return QStringLiteral("%1 of %2 files converted, %3 failed.")
        .arg(summary.succeeded)
        .arg(summary.total)
        .arg(summary.failed);
}
