#pragma once

#include <QMap>
#include <QString>

struct BatchFileOutcome;
struct BatchSummary;

// The text of the box that ends an interactive run: "batch_success" when every listed file
// was converted, otherwise "batch_fail1", the successes, "batch_fail2", the failures and
// "batch_fail3", joined without separators. A missing key counts as an empty text.
QString batchResultText(const QMap<QString, QString> &texts, const BatchSummary &summary);

// The line a silent run prints for one file: "input -> output" when it was written,
// otherwise the input, the output when one was chosen, and the reason it failed.
QString batchFileLine(const BatchFileOutcome &outcome);

// The closing line of a silent run.
QString batchSummaryLine(const BatchSummary &summary);
