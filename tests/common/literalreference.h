#pragma once

#include "engine/basics/conversionparameters.h"

#include <QImage>

// The conversion pipeline written out literally, one formula after the other: the source is
// converted to ARGB32, the working maps come from transparent pixmaps, the projection and the
// rotation visit every pixel through pixelColor/setPixelColor with their own trigonometry,
// and the longitude shifts are two QPainter blits each. It shares no code with the engine
// beyond the integer conversions of numeric.h, so it serves as an independent oracle.
//
// Where the bare formulas would be undefined or unsound it computes them soundly: integer
// truncations through numeric::truncateToInt32, 64-bit source position sums, a 1e-9 row
// allowance at the last projection row, column 0 for a rotated direction exactly at a pole,
// rotation lookups clamped into the map, and a null image for parameters that describe no map
// (distance below 1 or not finite, an angle that is not finite, a map side outside 1..16384).
//
// Only the pixels are reproduced: no events are processed and no debug line is written.
// Needs a QGuiApplication (it paints through pixmaps). Slow: about a second per 4 megapixels.
QImage literalConvert(const QImage &source, const ConversionParameters &params);
