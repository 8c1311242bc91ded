#include "batch/batchreport.h"

#include "batch/batchrunner.h"

namespace {

// A report line is one line of plain text: a newline, an escape sequence or another control
// character in a file name would break it or drive the terminal, so they are spelled out.
QString printable(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control) {
            shown.append(c);
        } else if (c == QLatin1Char('\n')) {
            shown.append(QLatin1String("\\n"));
        } else if (c == QLatin1Char('\t')) {
            shown.append(QLatin1String("\\t"));
        } else {
            shown.append(QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0')));
        }
    }
    return shown;
}

} // namespace

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
           printable(names.join(QStringLiteral(", ")));
}

QString batchFileLine(const BatchFileOutcome &outcome)
{
    const QString input = printable(outcome.input);
    const QString output = printable(outcome.output);
    const QString reason = printable(outcome.reason);
    if (outcome.written)
        return input + " -> " + output +
               (outcome.note.isEmpty() ? QString() : " (" + printable(outcome.note) + ")");
    if (outcome.output.isEmpty())
        return input + ": " + reason;
    return input + " -> " + output + ": " + reason;
}

QString batchSummaryLine(const BatchSummary &summary)
{
    if (!summary.problem.isEmpty()) {
        QString problem = printable(summary.problem);
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
