#pragma once

#include <QImage>

// Pictures of 16 bits per channel (RGBX64, RGBA64, RGBA64_Premultiplied) and their 8-bit form.
// The precise mode and the mosaic read such pictures at 16 bits; everything that works at
// 8 bits (the standard mode, the display) takes them through toEightBits.

// True for the three formats of 16 bits per channel.
bool hasSixteenBits(const QImage &picture);

// The picture at 8 bits per channel, each channel round(v / 257): RGBX64 as RGB32, RGBA64 as
// ARGB32 (not premultiplied, as it was), RGBA64_Premultiplied as ARGB32_Premultiplied. Other
// pictures are returned as they are; null when memory runs out.
QImage toEightBits(const QImage &picture);

// One channel's nearest 8-bit value, round(v / 257), for decoders that narrow as they go.
inline quint32 eightBitChannel(quint32 value)
{
    return (value * 2 + 257) / 514;
}
