#pragma once

#include <QtGlobal>

// Circle arithmetic on picture coordinates. The circle comes from hand-editable settings and
// parameter files, so sums are formed in 64 bits and saturated back to 32 bits: values near
// the integer limits give a far-away circle, never an overflow.
namespace selection {

int saturate(qint64 value);
// a + b, saturated.
int add(int a, qint64 b);
// The larger of the horizontal and vertical distance between (x, y) and (cx, cy), saturated.
int chebyshevDistance(int x, int y, int cx, int cy);

struct Circle
{
    int centerX = 0;
    int centerY = 0;
    int radius = 0;
};

// The circle a picture gets when none is set: centred, radius 0.98 of the shorter half side.
Circle defaultCircle(int width, int height);

// Where a press or a hover at (x, y) lies relative to a shown circle.
enum class Zone
{
    Move,    // the centre disk, or the band of 8 pixels on either side of the circle line
    Resize,  // the corners of the outer square beyond the band
    Outside, // beyond the outer square
    Neutral  // inside the circle away from the centre, and the inner square's corners
};

Zone zoneAt(int x, int y, const Circle &circle);

} // namespace selection
