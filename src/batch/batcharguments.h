#pragma once

#include <QStringList>

// The batch list that command-line arguments stand for. An argument containing "*" or "?" is
// a pattern: its folder is listed for plain files (not hidden, unsorted, case-insensitive)
// matching its last path component, giving folder + "/" + name for each; any other argument
// is taken unchanged, whether or not it exists.
QStringList expandBatchArguments(const QStringList &arguments);
