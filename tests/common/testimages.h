#pragma once

#include <QImage>
#include <QPoint>
#include <QRgb>
#include <QString>

// Pictures for conversion tests: every pixel has its own colour, so a map pixel tells which
// source pixel fed it.
namespace testimages {

// Opaque ARGB32 picture whose pixel (x, y) holds the number y * width + x in its red, green
// and blue bytes. At most 2^24 pixels.
QImage uniquePicture(int width, int height);
// The pixel of a width-wide unique picture that has this colour; (-1, -1) for a transparent
// colour (the map's empty pixels).
QPoint uniqueSpot(QRgb colour, int width);

// ARGB32 picture with the colours of uniquePicture and alphas running through 0 ... 255, so
// that most pixels are partly transparent.
QImage translucentPicture(int width, int height);

// Every pixel of the image set to one colour (in the image's own format).
QImage filled(int width, int height, QImage::Format format, QRgb colour);

// The result of comparing two images pixel by pixel, both taken as premultiplied ARGB32.
struct Difference
{
    // Pixels that differ; every pixel when the sizes differ.
    qint64 count = 0;
    QPoint first{-1, -1};
    QRgb actual = 0;
    QRgb expected = 0;
    bool sizesDiffer = false;
    // "none", or the first differing pixel with both colours.
    QString describe() const;
};

// Pixels count as equal when their alphas are equal and no colour channel differs by more
// than channelTolerance.
Difference compare(const QImage &actual, const QImage &expected, int channelTolerance = 0);

// Number of pixels that are not transparent black.
qint64 contentPixels(const QImage &image);

} // namespace testimages
