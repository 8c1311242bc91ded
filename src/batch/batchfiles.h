#pragma once

#include <QString>
#include <QStringList>

// The batch's file list order and output names.

// Reorders the input paths: sortType 0 by the whole path, comparing UTF-16 code units (so
// "B" comes before "a"); 1 by last modification, newest first (files that cannot be
// examined come last); any other value keeps the order.
void sortBatchFiles(QStringList &files, int sortType);

// Where the map of the input at the given position of the sorted list goes: the output
// folder, "/", then the input's base name (its file name up to the first dot, leading dots of
// a hidden file skipped) when fileNameType is 0 and that is not empty, or "map_" and the
// position otherwise, then ".png" for outputFormat 1
// and ".jpg" for any other.
QString batchOutputPath(const QString &outputFolder, const QString &input, int position,
                        int fileNameType, int outputFormat);

// A key under which two spellings of the same existing file compare equal (symbolic links
// resolved); for a missing file its absolute, cleaned path.
QString fileIdentity(const QString &path);

// The files in folder whose names match pattern (wildcards * and ?, without regard to case),
// hidden files and everything that is not a file or a link to one left out, in the folder's
// own order. Unlike QDir, it keeps names that are not valid UTF-8, with their bad bytes
// replaced, so that the batch reports that such a name cannot be read instead of skipping it.
QStringList filesMatchingPattern(const QString &folder, const QString &pattern);
