#include "app/quietstartup.h"

#include <QString>

#include <cstdio>

namespace {

QtMessageHandler forwardTo = nullptr;

void dropRemarks(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtCriticalMsg && type != QtFatalMsg)
        return;
    if (forwardTo)
        forwardTo(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

QuietStartup::QuietStartup() : previous(qInstallMessageHandler(dropRemarks))
{
    forwardTo = previous;
}

QuietStartup::~QuietStartup()
{
    qInstallMessageHandler(previous);
    forwardTo = nullptr;
}
