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

// Missing keys and values that are no number give 0.
CircleParameters readParameterFile(const QString &path);

// Writes the circle into the file, keeping its other keys; false when the file could not be
// written (a folder that cannot be made, a file that cannot be replaced). A previous content
// that was no INI text is replaced, which is not a failure.
bool writeParameterFile(const QString &path, const CircleParameters &circle);
