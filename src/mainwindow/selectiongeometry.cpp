#include "mainwindow/selectiongeometry.h"

#include <QPoint>
#include <QRect>
#include <QRegion>

#include <algorithm>
#include <climits>

namespace selection {

namespace {

// Half the width of the band around the circle line and the radius of the centre disk.
constexpr qint64 grip = 8;

// Squares up to this side, lying within this distance of the origin, are tested with Qt's
// ellipse region, whose pixel edges are the ones the overlay shows. The region's
// cost grows much faster than its side (about 1 ms at 4096, 50 ms at 8192, a second at 16384,
// for each of the three regions a mouse move tests), and the region code is not made for
// coordinates near the integer limits, so larger or farther squares (the circles of large
// pictures, hand-edited values) are tested analytically; the two differ at most by a pixel at
// the edge, well inside the grip band.
constexpr qint64 maxRegionSide = 1 << 12;
constexpr qint64 maxRegionCoordinate = 1 << 24;

struct Square
{
    qint64 left, top, right, bottom;

    QRect rect() const
    {
        QRect r;
        r.setCoords(saturate(left), saturate(top), saturate(right), saturate(bottom));
        return r;
    }
};

Square squareAround(qint64 cx, qint64 cy, qint64 halfSide)
{
    return {cx - halfSide, cy - halfSide, cx + halfSide, cy + halfSide};
}

bool inInscribedEllipse(const Square &square, int x, int y)
{
    const qint64 width = square.right - square.left + 1;
    const qint64 height = square.bottom - square.top + 1;
    if (width <= 0 || height <= 0)
        return false;
    const bool regionSized =
        width <= maxRegionSide && height <= maxRegionSide &&
        qAbs(square.left) <= maxRegionCoordinate && qAbs(square.right) <= maxRegionCoordinate &&
        qAbs(square.top) <= maxRegionCoordinate && qAbs(square.bottom) <= maxRegionCoordinate;
    if (regionSized)
        return QRegion(square.rect(), QRegion::Ellipse).contains(QPoint(x, y));
    const double a = width / 2.0;
    const double b = height / 2.0;
    const double dx = (x + 0.5 - (square.left + a)) / a;
    const double dy = (y + 0.5 - (square.top + b)) / b;
    return dx * dx + dy * dy <= 1.0;
}

} // namespace

int saturate(qint64 value)
{
    return int(qBound<qint64>(INT_MIN, value, INT_MAX));
}

int add(int a, qint64 b)
{
    // b is at most a few 32-bit values in size, so the 64-bit sum cannot overflow.
    return saturate(qint64(a) + b);
}

int chebyshevDistance(int x, int y, int cx, int cy)
{
    return saturate(std::max(qAbs(qint64(x) - cx), qAbs(qint64(y) - cy)));
}

Circle defaultCircle(int width, int height)
{
    Circle circle;
    circle.centerX = width / 2;
    circle.centerY = height / 2;
    circle.radius = int(std::min(circle.centerX, circle.centerY) * 0.98);
    return circle;
}

Zone zoneAt(int x, int y, const Circle &circle)
{
    const qint64 cx = circle.centerX;
    const qint64 cy = circle.centerY;
    const qint64 r = circle.radius;
    const Square centre = squareAround(cx, cy, grip);
    const Square inner = squareAround(cx, cy, r - grip);
    const Square outer = squareAround(cx, cy, r + grip);
    const QPoint point(x, y);

    if (inInscribedEllipse(centre, x, y) ||
        (inInscribedEllipse(outer, x, y) && !inInscribedEllipse(inner, x, y)))
        return Zone::Move;
    if (!inner.rect().contains(point) && outer.rect().contains(point))
        return Zone::Resize;
    if (!outer.rect().contains(point))
        return Zone::Outside;
    return Zone::Neutral;
}

} // namespace selection
