#pragma once

#include "engine/pictureio/mapwriter.h"

#include <QString>
#include <QStringList>

// The batch's file list order and output names.

// The order in which a batch converts its files.
enum class BatchOrder
{
    // By the whole path, comparing UTF-16 code units (so "B" comes before "a").
    ByPath,
    // By last modification, newest first; files that cannot be examined come last.
    NewestFirst,
    // As the list was given.
    AsGiven
};
// The order that the settings' sort code stands for: 0 by path, 1 newest first, any other
// code the order as given (the code is an int in the settings file and the dialogs).
BatchOrder batchOrderForCode(int sortType);

// How a batch names its maps.
enum class OutputNaming
{
    // The input's base name.
    FromInput,
    // "map_" and the position in the sorted list.
    Numbered
};
// The naming that the settings' naming code stands for: 0 from the input, any other numbered.
OutputNaming outputNamingForCode(int fileNameType);

void sortBatchFiles(QStringList &files, BatchOrder order);

// Where the map of the input at the given position of the sorted list goes: the output
// folder, "/", then the input's base name (its file name up to the first dot, leading dots of
// a hidden file skipped) when named from the input and that is not empty, or "map_" and the
// position otherwise, then the format's suffix.
QString batchOutputPath(const QString &outputFolder, const QString &input, int position,
                        OutputNaming naming, MapFormat format);

// A key under which two spellings of the same existing file compare equal (symbolic links
// resolved); for a missing file its absolute, cleaned path.
QString fileIdentity(const QString &path);

// The files in folder whose names match pattern (wildcards * and ?, without regard to case),
// hidden files and everything that is not a file or a link to one left out, in the folder's
// own order. Unlike QDir, it keeps names that are not valid UTF-8, with their bad bytes
// replaced, so that the batch reports that such a name cannot be read instead of skipping it.
QStringList filesMatchingPattern(const QString &folder, const QString &pattern);
