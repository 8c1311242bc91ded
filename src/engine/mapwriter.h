#pragma once

#include <QString>

class QImage;

// Format name that an output format code stands for: "png" for 1, "jpg" for every other code.
QString outputFormatName(int outputFormat);

// Writes a map as PNG (outputFormat 1) or JPG (any other value) with the given quality.
// The file is replaced only when the whole image has been written, so a failed write leaves
// an existing file untouched. A symbolic link under path is itself replaced by the map; the
// file it points to is never written. Returns false and sets errorText when the write failed.
bool writeMap(const QImage &map, const QString &path, int outputFormat, int quality,
              QString *errorText = nullptr);
