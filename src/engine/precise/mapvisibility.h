#pragma once

#include "engine/precise/preciseprojection.h"

#include <algorithm>

// The one rule of the precise mode for whether a map pixel shows something of the picture:
// its centre lies within half a map pixel of the visible cap (the cap edge covers it partly)
// and in the picture. The converter, the source lookup and the geometry's spans of columns
// all ask here.
//
// The standard mode has no such rule of its own: a map pixel there shows what its
// whole-pixel steps copy (MapSourceLookup::sourceOf), a result that must stay byte for byte
// and is computed by the standard formulas alone.
namespace visibility {

// How far outside the cap, in map pixels, a pixel's centre may lie and the pixel still be
// partly covered.
constexpr double capReach = 0.5;

// The share of a map pixel that the cap covers, from the signed distance of its centre to the
// cap edge in map pixels (SourceFootprint::capMargin): at most 1, and 0 or less for none.
inline double capCoverage(double capMargin)
{
    return std::min(1.0, capMargin + capReach);
}

// True when the cap covers some of the pixel (false for NaN).
inline bool touchesCap(double capMargin)
{
    return capCoverage(capMargin) > 0.0;
}

// True when the point lies in a picture of the given size, whose pixel (i, j) is the square
// around the point (i, j).
inline bool inPicture(double x, double y, int width, int height)
{
    return x >= -0.5 && x <= width - 0.5 && y >= -0.5 && y <= height - 0.5;
}

// The rule itself, for a map pixel's footprint.
inline bool showsPicture(const SourceFootprint &f, int width, int height)
{
    return touchesCap(f.capMargin) && inPicture(f.x, f.y, width, height);
}

// Columns [first, first + count) of a map row, taken modulo the map width.
struct ColumnSpan
{
    int first = 0;
    int count = 0;
};

// The columns of the map row at the given latitude that can touch the cap, with a column to
// spare each side: every pixel of the row for which touchesCap holds lies in them.
ColumnSpan capColumns(const PreciseProjection &projection, double cosLatitude, double sinLatitude,
                      int mapWidth);

} // namespace visibility
