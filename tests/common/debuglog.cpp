#include "debuglog.h"

namespace {

DebugLog *currentLog = nullptr;

} // namespace

DebugLog::DebugLog(QtMsgType collected)
    : collected(collected), previousHandler(qInstallMessageHandler(&DebugLog::collect)),
      previousLog(currentLog)
{
    currentLog = this;
}

DebugLog::~DebugLog()
{
    currentLog = previousLog;
    qInstallMessageHandler(previousHandler);
}

void DebugLog::collect(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == currentLog->collected)
        currentLog->lines << text;
    else if (currentLog->previousHandler)
        currentLog->previousHandler(type, context, text);
}
