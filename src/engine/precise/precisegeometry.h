#pragma once

#include "engine/basics/conversionparameters.h"
#include "engine/precise/mapvisibility.h"
#include "engine/precise/preciseprojection.h"

#include <QSize>

#include <vector>

class RowScheduler;

// What the precise mode keeps between conversions with the same parameters and source size:
// the sine and cosine of every map row's latitude, every map column's terms of the projection
// (PreciseProjection::columnTerms), the columns of each row that can show the visible cap, and
// the coarsest picture level a footprint needs. Each pixel's exact position is then a few
// multiplications away, which is cheaper than storing it: a per-pixel record of position and
// footprint would need some 24 bytes, 1.5 GB for an 8192 x 8192 map.
struct PreciseGeometry
{
    // Columns [first, first + count) of a row, taken modulo the map width.
    using Span = visibility::ColumnSpan;

    PreciseGeometry(const ConversionParameters &params, QSize sourceSize, RowScheduler &scheduler);

    ConversionParameters params;
    QSize sourceSize;
    PreciseProjection projection;
    std::vector<double> cosLatitude;
    std::vector<double> sinLatitude;
    // along[i][c] and across[i][c]: column c's terms.
    std::vector<double> along[3];
    std::vector<double> across[3];
    std::vector<Span> spans;
    // Coarsest level of the filtered picture that any footprint reads.
    int deepestLevel = 0;
};
