#include "engine/standard/mapgeometry.h"

#include "engine/basics/rowscheduler.h"
#include "engine/standard/mapsourcelookup.h"

#include <algorithm>
#include <new>

namespace {

// Appends the runs of copied pixels of one map row, and their source indices.
void appendRuns(const std::uint32_t *line, int width, std::vector<MapGeometry::Run> &runs,
                std::vector<std::uint32_t> &sources)
{
    int column = 0;
    while (column < width) {
        if (line[column] == MapSourceLookup::noSource) {
            ++column;
            continue;
        }
        const int start = column;
        while (column < width && line[column] != MapSourceLookup::noSource)
            sources.push_back(line[column++]);
        runs.push_back({start, column - start});
    }
}

} // namespace

MapGeometry::MapGeometry(const ConversionParameters &params, QSize sourceSize,
                         RowScheduler &scheduler)
    : params(params), sourceSize(sourceSize), rows(std::max(0, params.outputHeight))
{
    const int width = params.outputWidth;
    const MapSourceLookup lookup(params, sourceSize);

    // Each row comes from the lookup's row form, which skips the pixels and rows that it can
    // tell lie outside the projected disk without following them back to the source.
    scheduler.run(int(rows.size()), [&](int firstRow, int endRow) {
        // Each thread keeps its working rows from block to block: allocated anew for every
        // block they would be handed back to the system and faulted in again each time.
        thread_local std::vector<std::uint32_t> line;
        thread_local std::vector<std::uint32_t> blockSources;
        thread_local std::vector<std::size_t> rowStart;
        line.resize(width);
        blockSources.clear();
        rowStart.clear();
        for (int y = firstRow; y < endRow; ++y) {
            rowStart.push_back(blockSources.size());
            lookup.fillRow(y, line.data());
            appendRuns(line.data(), width, rows[y].runs, blockSources);
        }
        if (blockSources.empty())
            return;
        const std::uint32_t *stored = storeSources(blockSources);
        for (int y = firstRow; y < endRow; ++y)
            rows[y].sources = stored + rowStart[y - firstRow];
    });
}

std::uint32_t *MapGeometry::storeSources(const std::vector<std::uint32_t> &indices)
{
    // Chunks of 16 MiB: a few huge pages each, and room for the blocks of the widest maps.
    constexpr std::size_t chunkEntries = std::size_t(4) << 20;
    std::lock_guard<std::mutex> guard(chunkLock);
    if (chunks.empty() || chunkUsed + indices.size() > chunkCapacity) {
        const std::size_t entries = std::max(chunkEntries, indices.size());
        auto *chunk =
            static_cast<std::uint32_t *>(allocateLargeBuffer(entries * sizeof(std::uint32_t)));
        if (!chunk)
            throw std::bad_alloc();
        chunks.emplace_back(chunk);
        chunkUsed = 0;
        chunkCapacity = entries;
    }
    std::uint32_t *destination = chunks.back().get() + chunkUsed;
    std::copy(indices.begin(), indices.end(), destination);
    chunkUsed += indices.size();
    coveredPixels += qint64(indices.size());
    return destination;
}
