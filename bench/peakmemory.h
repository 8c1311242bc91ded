#pragma once

#include <QByteArray>
#include <QFile>

// The process's peak resident memory in MiB since it started or its peak was last reset
// (Linux: VmHWM of /proc/self/status), or 0 when it cannot be read.
inline double peakResidentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}
