#pragma once

#include "engine/basics/conversionparameters.h"
#include "engine/basics/largebuffer.h"

#include <QSize>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class RowScheduler;

// Which source pixel each pixel of a finished map comes from, for one set of parameters and
// one source size, as MapSourceLookup says, stored so that the finished map is a plain gather
// from the source. Each row holds the runs of copied pixels and their source indices
// (y * source width + x); the pixels between runs stay transparent black.
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
        // One source index per pixel of the runs, in order.
        const std::uint32_t *sources = nullptr;
    };

    // Throws std::bad_alloc when the memory cannot be had.
    MapGeometry(const ConversionParameters &params, QSize sourceSize, RowScheduler &scheduler);
    MapGeometry(const MapGeometry &) = delete;
    MapGeometry &operator=(const MapGeometry &) = delete;

    ConversionParameters params;
    QSize sourceSize;
    std::vector<Row> rows;
    // Map pixels that take a pixel of the source: 0 when the circle misses the picture or the
    // camera sees nothing of the globe.
    qint64 coveredPixels = 0;

private:
    // The source indices live in a few large chunks rather than one vector a row: millions of
    // small allocations would be touched page by page.
    std::uint32_t *storeSources(const std::vector<std::uint32_t> &indices);
    std::vector<std::unique_ptr<std::uint32_t[], LargeBufferRelease>> chunks;
    std::size_t chunkUsed = 0;
    std::size_t chunkCapacity = 0;
    std::mutex chunkLock;
};
