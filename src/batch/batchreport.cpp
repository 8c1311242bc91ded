#include "batch/batchreport.h"

#include "app/printabletext.h"
#include "batch/batchrunner.h"

QString batchResultText(const QMap<QString, QString> &texts, const BatchSummary &summary,
                        const QStringList &withBatchCircle)
{
    QString text = summary.allConverted()
                       ? texts.value("batch_success")
                       : texts.value("batch_fail1") + QString::number(summary.succeeded) +
                             texts.value("batch_fail2") + QString::number(summary.failed) +
                             texts.value("batch_fail3");
    if (withBatchCircle.isEmpty())
        return text;
    // A box cannot show thousands of names; the silent run's report names each one.
    const int shown = 10;
    QStringList names = withBatchCircle.mid(0, shown);
    if (withBatchCircle.size() > shown)
        names << QStringLiteral("...");
    return text + '\n' + QString::number(withBatchCircle.size()) + texts.value("batch_no_disk") +
           printableText(names.join(QStringLiteral(", ")));
}

QString batchFileLine(const BatchFileOutcome &outcome)
{
    const QString input = printableText(outcome.input);
    const QString output = printableText(outcome.output);
    const QString reason = printableText(outcome.reason);
    if (outcome.written)
        return input + " -> " + output +
               (outcome.note.isEmpty() ? QString() : " (" + printableText(outcome.note) + ")");
    if (outcome.output.isEmpty())
        return input + ": " + reason;
    return input + " -> " + output + ": " + reason;
}

QString batchSummaryLine(const BatchSummary &summary)
{
    if (!summary.problem.isEmpty()) {
        QString problem = printableText(summary.problem);
        problem[0] = problem[0].toUpper();
        return problem + QStringLiteral(": nothing was converted.");
    }
    if (summary.total == 0)
        return QStringLiteral("No input files: nothing was converted.");
    return QStringLiteral("%1 of %2 files converted, %3 failed.")
        .arg(summary.succeeded)
        .arg(summary.total)
        .arg(summary.failed);
}
