#pragma once

#include <QString>

// The circle as a parameter file holds it, under the settings file's keys, so the settings file
// can itself be loaded as a parameter file.
struct CircleParameters
{
    int centerX = 0;
    int centerY = 0;
    int radius = 0;
};

// Missing keys, values that are no number and values in QSettings' special "@" notation give
// 0. False, with the path and the reason in error, for a file that cannot be read: not a
// regular file (nor a link to one), larger than maxTextFileBytes or unreadable; circle is
// then all 0.
bool readParameterFile(const QString &path, CircleParameters *circle, QString *error = nullptr);

// Writes the circle into the file, keeping its other keys; false, with the path and the reason
// in error, when nothing was written (a folder that cannot be made, a file that cannot be
// replaced, something other than a regular file, a file too large to read back). A previous
// content that was no INI text is replaced, which is not a failure.
bool writeParameterFile(const QString &path, const CircleParameters &circle,
                        QString *error = nullptr);
