#pragma once

#include "engine/finder/diskfinder.h"

#include <QString>

// Finds the disk in a picture file, as `--find-disk` does: a JPEG at least twice searchSide
// pixels long is decoded at a half, a quarter or an eighth of its size (still that long;
// *reduction, when asked for, says which) and the circle found there is given in the pixels of the
// whole picture. The decoding of a huge JPEG costs several times the search; at that size the limb
// is still measured to a fraction of a reduced pixel. When the file cannot be read, found is false
// and *readError (which must not be null) says why.
constexpr int diskSearchSide = 2048;
DiskFinding findDiskInFile(const QString &path, QString *readError, int searchSide = diskSearchSide,
                           int *reduction = nullptr);
