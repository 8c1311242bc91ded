#pragma once

#include <QString>

// The option dialog's entry in its text table: the message of the range warning.
namespace OptionTexts {

inline const QString errorMessageKey = QStringLiteral("error_mess");

inline QString builtInErrorMessage()
{
    return QStringLiteral("範囲内で入力して下さい");
}

} // namespace OptionTexts
