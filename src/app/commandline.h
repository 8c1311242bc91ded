#pragma once

#include <QStringList>

// True when the program was started for a silent batch run: the first argument after the
// program file is exactly "/batch", compared byte by byte (case matters, nothing may follow).
bool isSilentBatchStart(int argc, const char *const *argv);

// The batch list that command-line arguments stand for. An argument containing "*" or "?" is
// a pattern: its folder is listed for plain files (not hidden, unsorted, case-insensitive)
// matching its last path component, giving folder + "/" + name for each; any other argument
// is taken unchanged, whether or not it exists.
QStringList expandBatchArguments(const QStringList &arguments);

// The line printed when "/batch" is given without any file.
QString silentBatchUsage(const QString &programFile);
