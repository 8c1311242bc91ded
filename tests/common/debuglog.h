#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Collects the messages of one type (the debug lines unless told otherwise) written while it
// lives; other messages go on to the handler that was installed before.
class DebugLog
{
public:
    explicit DebugLog(QtMsgType collected = QtDebugMsg);
    ~DebugLog();
    DebugLog(const DebugLog &) = delete;
    DebugLog &operator=(const DebugLog &) = delete;

    int count(const QString &line) const { return lines.count(line); }

    QStringList lines;

private:
    static void collect(QtMsgType type, const QMessageLogContext &context, const QString &text);

    QtMsgType collected;
    QtMessageHandler previousHandler;
    DebugLog *previousLog;
};
