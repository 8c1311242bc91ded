#include "engine/basics/picturedepth.h"

bool hasSixteenBits(const QImage &picture)
{
    switch (picture.format()) {
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
        return true;
    default:
        return false;
    }
}

QImage toEightBits(const QImage &picture)
{
    // Qt narrows each channel as (v - (v >> 8) + 128) >> 8, which is round(v / 257) for every
    // 16-bit value (the tests go through all of them), and keeps premultiplication as it is.
    switch (picture.format()) {
    case QImage::Format_RGBX64:
        return picture.convertToFormat(QImage::Format_RGB32);
    case QImage::Format_RGBA64:
        return picture.convertToFormat(QImage::Format_ARGB32);
    case QImage::Format_RGBA64_Premultiplied:
        return picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    default:
        return picture;
    }
}
