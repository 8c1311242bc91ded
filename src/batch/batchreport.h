#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

struct BatchFileOutcome;
struct BatchSummary;

// The text of the box that ends an interactive run: "batch_success" when every listed file
// was converted, otherwise "batch_fail1", the successes, "batch_fail2", the failures and
// "batch_fail3", joined without separators. A missing key counts as an empty text. When maps
// were made with the batch's circle because no disk was found in their pictures, a line
// follows with their count, "batch_no_disk" and the pictures' names (the first ten, then
// "...").
QString batchResultText(const QMap<QString, QString> &texts, const BatchSummary &summary,
                        const QStringList &withBatchCircle = {});

// The line a silent run prints for one file: "input -> output" when it was written (followed
// by the outcome's note in parentheses when there is one), otherwise the input, the output
// when one was chosen, and the reason it failed. Control characters in any of them (a newline
// or an escape in a file name) are shown as \n, \t or \xHH, so the line stays one line.
QString batchFileLine(const BatchFileOutcome &outcome);

// The closing line of a silent run; when the run refused to start (no output folder) it says
// why.
QString batchSummaryLine(const BatchSummary &summary);
