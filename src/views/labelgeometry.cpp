#include "views/labelgeometry.h"

#include <QLabel>
#include <QPixmap>

#include <algorithm>
#include <climits>
#include <cmath>

namespace labelgeometry {

const QPixmap *labelPixmap(const QLabel &label)
{
    // Only the pointer accessor tells "never set" apart from an empty pixmap.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    return label.pixmap();
    QT_WARNING_POP
}

bool hasPixmap(const QLabel &label)
{
    return labelPixmap(label) != nullptr;
}

QSize pixmapSize(const QLabel &label)
{
    const QPixmap *pixmap = labelPixmap(label);
    return pixmap ? pixmap->size() : QSize(0, 0);
}

double viewScale(QSize labelSize, QSize pixmapSize)
{
    double scale = 0.0;
    if (labelSize.width() > 0)
        scale = double(pixmapSize.width()) / labelSize.width();
    if (labelSize.height() > 0)
        scale = std::max(scale, double(pixmapSize.height()) / labelSize.height());
    return scale;
}

int scaleTruncated(int value, double scale)
{
    const double scaled = std::trunc(value * scale);
    if (std::isnan(scaled))
        return 0;
    if (scaled >= double(INT_MAX))
        return INT_MAX;
    if (scaled <= double(INT_MIN))
        return INT_MIN;
    return static_cast<int>(scaled);
}

QRect fittedRect(QSize labelSize, QSize pixmapSize)
{
    if (pixmapSize.isEmpty())
        return QRect();
    const double sx = double(labelSize.width()) / pixmapSize.width();
    const double sy = double(labelSize.height()) / pixmapSize.height();
    const double s = sy <= sx ? sy : sx;
    return QRect(0, 0, scaleTruncated(pixmapSize.width(), s),
                 scaleTruncated(pixmapSize.height(), s));
}

PictureMapper::PictureMapper(const QLabel &label)
    : scaled(label.hasScaledContents()),
      scale(scaled ? viewScale(label.size(), pixmapSize(label)) : 1.0)
{
}

int PictureMapper::map(int labelCoordinate) const
{
    return scaled ? scaleTruncated(labelCoordinate, scale) : labelCoordinate;
}

QPoint PictureMapper::map(QPoint labelPos) const
{
    return QPoint(map(labelPos.x()), map(labelPos.y()));
}

QRect dragRect(QPoint from, QPoint to)
{
    QRect rect;
    rect.setCoords(from.x(), from.y(), to.x(), to.y());
    return rect.normalized();
}

} // namespace labelgeometry
