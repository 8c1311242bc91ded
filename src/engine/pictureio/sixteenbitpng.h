#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

class QIODevice;

// True when start, the first bytes of a file, is the header of a PNG with 16 bits per channel.
bool isSixteenBitPng(const QByteArray &start);

// Decodes a PNG of 16 bits per channel: to RGBX64, or RGBA64 when the file has transparency,
// while that picture takes at most maxSixteenBitBytes; else straight to 8 bits per channel
// (RGB32 or ARGB32), each channel rounded to the nearest 8-bit value. Qt's own reader would
// decode a picture beyond the bound at 16 bits and converting it afterwards would hold both
// copies: three times the memory of the picture the program works with. Returns a null image
// and sets error when the file is damaged, cut short or larger than maxPixels.
QImage readSixteenBitPng(QIODevice &device, qint64 maxPixels, qint64 maxSixteenBitBytes,
                         QString *error);
