#pragma once

#include <QtGlobal>

// While it lives, Qt's debug, info and warning messages are dropped: a silent run's standard
// error is its report, read line by line by scripts, and Qt's start-up remarks (such as
// "QStandardPaths: XDG_RUNTIME_DIR not set") are no part of it. Critical and fatal messages
// still pass.
class QuietStartup
{
public:
    QuietStartup();
    ~QuietStartup();
    QuietStartup(const QuietStartup &) = delete;
    QuietStartup &operator=(const QuietStartup &) = delete;

private:
    QtMessageHandler previous;
};
