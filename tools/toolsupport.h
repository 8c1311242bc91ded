#pragma once

#include "engine/pictureio/mapwriter.h"

#include <QCommandLineParser>
#include <QString>

class QImage;

// Helpers shared by the command-line tools in this folder.
namespace toolsupport {

// The circle that the program gives a freshly opened picture: centre in the middle (integer
// division) and radius 0.98 of the shorter half side, truncated.
struct Circle
{
    int centerX = 0;
    int centerY = 0;
    int radius = 0;
};
Circle defaultCircle(int width, int height);

// Reads an option's value when it was given; leaves `value` alone otherwise. Returns false
// and sets `error` when the text is not a number of that kind.
bool readInt(const QCommandLineParser &parser, const QString &option, int &value, QString &error);
bool readDouble(const QCommandLineParser &parser, const QString &option, double &value,
                QString &error);

// The map format for a file name: PNG for ".png", TIFF for ".tif" and ".tiff", JPG otherwise.
MapFormat mapFormatFor(const QString &path);

// Prints "<program>: <message>" to standard error and returns the exit code.
int fail(const QString &message, int exitCode = 1);

} // namespace toolsupport
