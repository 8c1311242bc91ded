#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QLabel;
class QPixmap;

// Geometry shared by the labels that show a picture: the selection view and the preview.
namespace labelgeometry {

// The label's pixmap, or null when it has none.
const QPixmap *labelPixmap(const QLabel &label);

// True once a pixmap has been set on the label. An empty pixmap counts as a pixmap of
// 0 by 0 pixels; only a label that never had one (or was cleared) has none.
bool hasPixmap(const QLabel &label);

// The label's pixmap size, or 0 by 0 when it has none.
QSize pixmapSize(const QLabel &label);

// Picture pixels per label pixel when the picture is scaled into the label:
// max(pixmap width / label width, pixmap height / label height). A ratio whose label side is
// 0 is left out, so an empty label gives 0 instead of an infinity.
double viewScale(QSize labelSize, QSize pixmapSize);

// value * scale truncated toward zero. Results beyond the int range saturate at its ends
// and NaN gives 0, so a far-out drag keeps its direction instead of wrapping.
int scaleTruncated(int value, double scale);

// The rectangle at (0, 0) into which a pixmap is drawn when it is scaled to fit the label
// keeping its aspect ratio: the smaller of the two ratios label side / pixmap side, both sides
// truncated toward zero. An empty pixmap gives an empty rectangle.
QRect fittedRect(QSize labelSize, QSize pixmapSize);

// Turns label positions into picture positions for one event: unchanged at natural size,
// multiplied by the view scale and truncated one coordinate at a time when the label scales
// its contents. The scale is taken from the label's current size when constructed.
class PictureMapper
{
public:
    explicit PictureMapper(const QLabel &label);

    int map(int labelCoordinate) const;
    QPoint map(QPoint labelPos) const;

private:
    bool scaled;
    double scale;
};

// The rectangle with corners from and to, normalized Qt's way.
QRect dragRect(QPoint from, QPoint to);

} // namespace labelgeometry
