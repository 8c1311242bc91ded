#pragma once

#include <QLoggingCategory>

// The category of the program's diagnostic lines ("timeout", "batchConvert", "Convert error",
// the circle as it is shown, the batch's arguments and order). They are on by default; a
// silent batch run turns them off so that its report on standard error stays readable, and
// QT_LOGGING_RULES="orvix.diagnostics.debug=true" turns them on again.
inline const QLoggingCategory &orvixDiagnostics()
{
    static const QLoggingCategory category("orvix.diagnostics");
    return category;
}
