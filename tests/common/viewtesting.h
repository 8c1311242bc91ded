#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QWidget>

// Helpers for checking what a picture label paints.
namespace viewtesting {

// Colour of the picture in the painting tests and of the label's unpainted background.
inline const QColor pictureColour(0, 0, 255);
inline const QColor backgroundColour(255, 0, 255);

inline QPixmap solidPixmap(QSize size, const QColor &colour = pictureColour)
{
    QPixmap pixmap(size);
    pixmap.fill(colour);
    return pixmap;
}

// One-pixel black and white columns: any smoothing while scaling it down makes grey.
inline QPixmap stripedPixmap(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return QPixmap::fromImage(image);
}

// Gives the widget the background colour that shows where nothing was painted.
inline void markBackground(QWidget &widget)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, backgroundColour);
    widget.setPalette(palette);
}

inline QImage grabImage(QWidget &widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The bounding rectangle of the pixels that are not the background colour.
inline QRect paintedRect(const QImage &image)
{
    QRect painted;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != backgroundColour)
                painted |= QRect(x, y, 1, 1);
    return painted;
}

// True when every pixel inside rect has the colour.
inline bool filledWith(const QImage &image, const QRect &rect, const QColor &colour)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.pixelColor(x, y) != colour)
                return false;
    return true;
}

// True when some pixel is neither black nor white.
inline bool hasGrey(const QImage &image, const QRect &rect)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (pixel != qRgb(0, 0, 0) && pixel != qRgb(255, 255, 255))
                return true;
        }
    return false;
}

} // namespace viewtesting
