#pragma once

#include <QString>

// The text with its control characters spelled out (\n, \t, \xHH), so that a file name in a
// report stays on its line and cannot drive the terminal.
QString printableText(const QString &text);
