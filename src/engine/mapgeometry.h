#pragma once

#include "conversionparameters.h"

#include <QSize>

#include <cstdint>
#include <vector>

class RowScheduler;

// Which source pixel each pixel of a finished map comes from, for one set of parameters and
// one source size. The pipeline's steps (projection, azimuth shift, latitude rotation,
// longitude shift) all move whole pixels without blending, so the finished map is a plain
// gather from the source: every map pixel either copies one source pixel or stays
// transparent black. Each row holds the runs of copied pixels and their source indices
// (y * source width + x).
struct MapGeometry
{
    struct Run
    {
        int column;
        int length;
    };
    struct Row
    {
        std::vector<Run> runs;
        std::vector<std::uint32_t> sources;
    };

    MapGeometry(const ConversionParameters &params, QSize sourceSize, RowScheduler &scheduler);

    ConversionParameters params;
    QSize sourceSize;
    std::vector<Row> rows;
    // Samples the projection could not place in the map (none when the scales match it).
    int conversionErrors = 0;
};
