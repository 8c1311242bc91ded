#include "mainwindow/selectionoverlay.h"

#include <QBrush>
#include <QPainter>
#include <QPen>

#include <algorithm>

int drawnPenWidth(int penSize)
{
    return std::clamp(penSize, 1, 32);
}

void drawSelectionOverlay(QImage &picture, int cx, int cy, int r, const SelectionPen &pen,
                          bool dottedSquare)
{
    QPainter painter(&picture);
    paintSelectionOverlay(painter, cx, cy, r, pen, dottedSquare);
}

void paintSelectionOverlay(QPainter &painter, int cx, int cy, int r, const SelectionPen &pen,
                           bool dottedSquare)
{
    // Coordinates are formed in doubles so that a circle far outside the picture (hand-edited
    // values near the integer limits) is merely clipped away.
    const double x = cx;
    const double y = cy;
    const double rr = r;
    const double arm = 2.0 * drawnPenWidth(pen.width);

    QPen linePen(QBrush(pen.color), drawnPenWidth(pen.width), Qt::SolidLine, Qt::SquareCap,
                 Qt::BevelJoin);
    painter.setPen(linePen);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(x, y), rr, rr);
    painter.drawLine(QPointF(x, y - arm), QPointF(x, y + arm));
    painter.drawLine(QPointF(x - arm, y), QPointF(x + arm, y));
    if (dottedSquare)
        linePen.setStyle(Qt::DotLine);
    painter.setPen(linePen);
    // The square's corners are (cx - r, cy - r) and (cx + r, cy + r) inclusive, which Qt
    // draws as a rectangle 2r + 1 pixels wide.
    painter.drawRect(QRectF(x - rr, y - rr, 2.0 * rr + 1.0, 2.0 * rr + 1.0));
}

QImage pictureWithOverlay(const QImage &source, int cx, int cy, int r, const SelectionPen &pen,
                          bool dottedSquare)
{
    QImage picture = source.convertToFormat(QImage::Format_ARGB32);
    if (!picture.isNull())
        drawSelectionOverlay(picture, cx, cy, r, pen, dottedSquare);
    return picture;
}
