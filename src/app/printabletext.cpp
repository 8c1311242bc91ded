#include "app/printabletext.h"

// A report line is one line of plain text: a newline, an escape sequence or another control
// character in a file name would break it or drive the terminal, so they are spelled out.
QString printableText(const QString &text)
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
