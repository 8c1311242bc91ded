#pragma once

#include <QColor>
#include <QImage>

class QPainter;

// The selection drawn over the picture: the circle, the centre cross and the bounding square,
// all in picture pixels. The square is dotted on a shown circle and solid while a new circle
// is being dragged.
struct SelectionPen
{
    int width = 3;
    QColor color;
};

// The pen width actually drawn: the option dialog's range of 1 to 32 pixels, so a
// hand-edited width of 0 or 5000 still draws a usable line.
int drawnPenWidth(int penSize);

void drawSelectionOverlay(QImage &picture, int cx, int cy, int r, const SelectionPen &pen,
                          bool dottedSquare);
// The same with a painter whose coordinates are picture pixels.
void paintSelectionOverlay(QPainter &painter, int cx, int cy, int r, const SelectionPen &pen,
                           bool dottedSquare);

// Pictures of more pixels than this are not copied to draw the selection in: the copy would
// double the memory of a huge picture (a gigabyte at 16384 x 16384). The view shows them as
// they are and draws the selection over them when it paints.
constexpr qint64 maxPixelsDrawnInto = qint64(8192) * 8192;

// The picture as the view shows it: a 32-bit ARGB copy with the overlay when wanted.
QImage pictureWithOverlay(const QImage &source, int cx, int cy, int r, const SelectionPen &pen,
                          bool dottedSquare);
