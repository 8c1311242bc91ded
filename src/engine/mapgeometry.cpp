#include "mapgeometry.h"

#include "mapprojector.h"
#include "numeric.h"
#include "rowscheduler.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

constexpr std::uint32_t noSource = 0xFFFFFFFFu;

// Allowance, in units of the sine of a latitude angle, with which a rotated direction is
// judged to lie certainly outside the projected cap before its exact lookup is skipped. The
// rounding it has to cover is some 1e-15; the band it adds is a few pixels wide at most.
constexpr double capSkipAllowance = 1e-7;

// Source column for each map column after a cyclic shift, or the identity when the shift step
// is skipped.
std::vector<int> shiftTable(bool applies, double degrees, int width)
{
    std::vector<int> table(width);
    const int shift = applies ? MapProjector::shiftColumns(degrees, width) : 0;
    for (int column = 0; column < width; ++column)
        table[column] = MapProjector::shiftSourceColumn(shift, width, column);
    return table;
}

// The projection followed by the azimuth shift: the map that the latitude rotation reads.
class ShiftedProjection
{
public:
    ShiftedProjection(const MapProjector &projector, const ConversionParameters &params,
                      QSize sourceSize)
        : projector(projector), sourceWidth(sourceSize.width()), sourceHeight(sourceSize.height()),
          width(params.outputWidth),
          azimuthColumns(shiftTable(params.azimuth != 0, -params.azimuth, params.outputWidth))
    {
        const int halfHeight = params.outputHeight / 2;
        const int first =
            std::max(projector.firstRow(sourceHeight), halfHeight - params.outputHeight);
        const int last = std::min(projector.lastRow(sourceHeight), halfHeight - 1);
        // Projection row i lands in map row halfHeight - 1 - i.
        topRow = halfHeight - 1 - last;
        bottomRow = halfHeight - 1 - first;
        radiusOfRow.assign(std::max(0, params.outputHeight), 0.0);
        for (int row = std::max(topRow, 0); row <= bottomRow; ++row)
            radiusOfRow[row] = projector.samplingRadius(halfHeight - 1 - row, sourceHeight);
        cosPhi.resize(width);
        sinPhi.resize(width);
        for (int j = 0; j < width; ++j) {
            const double phi = projector.columnAngle(j, sourceWidth);
            cosPhi[j] = std::cos(phi);
            sinPhi[j] = std::sin(phi);
        }
    }

    bool isEmpty() const { return topRow > bottomRow; }
    // First and last map rows that can hold content.
    int topRow;
    int bottomRow;

    std::uint32_t source(int column, int row) const
    {
        if (row < topRow || row > bottomRow)
            return noSource;
        const int projected = azimuthColumns[column];
        if (projected < 0)
            return noSource;
        const int j = width - 1 - projected;
        const QPoint s = projector.sampleSource(cosPhi[j], sinPhi[j], radiusOfRow[row], sourceWidth,
                                                sourceHeight);
        return s.x() < 0 ? noSource : std::uint32_t(s.y()) * std::uint32_t(sourceWidth) + s.x();
    }

private:
    const MapProjector &projector;
    int sourceWidth;
    int sourceHeight;
    int width;
    std::vector<int> azimuthColumns;
    std::vector<double> radiusOfRow;
    std::vector<double> cosPhi;
    std::vector<double> sinPhi;
};

// The latitude rotation about the axis through longitude angle 0 on the middle row: for each
// pixel of the rotated map, the pixel of the shifted projection it reads.
class LatitudeRotation
{
public:
    LatitudeRotation(const MapProjector &projector, const ShiftedProjection &cap, int degrees,
                     int width, int height)
        : projector(projector), k(projector.pi / 180), width(width), height(height)
    {
        const double gamma = degrees * k;
        sc = std::sin(gamma);
        cc = std::cos(gamma);
        cosU.resize(width);
        sinU.resize(width);
        for (int j = 0; j < width; ++j) {
            const double u = j * 360.0 / width * k;
            cosU[j] = std::cos(u);
            sinU[j] = std::sin(u);
        }
        // A looked-up row lies below the cap when its latitude angle p reaches the row after
        // the cap's last; p grows with the rotated Z, so Z alone tells which pixels to skip.
        if (height > 1 && cap.bottomRow + 1 <= height - 1)
            zAbove =
                std::sin(((cap.bottomRow + 1) * 180.0 / (height - 1) - 90) * k) + capSkipAllowance;
        if (height > 1 && cap.topRow >= 1)
            zBelow = std::sin((cap.topRow * 180.0 / (height - 1) - 90) * k) - capSkipAllowance;
    }

    // Fills line[j] with the source index of rotated-map pixel (j, row).
    void fillRow(const ShiftedProjection &cap, int row, std::uint32_t *line) const
    {
        const double v = (row * 180.0 / height - 90) * k;
        const double sv = std::sin(v);
        const double cv = std::cos(v);
        const double zMiddle = cc * sv;
        const double zSpread = std::fabs(sc * cv) + 1e-12;
        if (zMiddle - zSpread > zAbove || zMiddle + zSpread < zBelow) {
            std::fill(line, line + width, noSource);
            return;
        }
        for (int j = 0; j < width; ++j) {
            const double z = cc * sv - sc * (sinU[j] * cv);
            if (z > zAbove || z < zBelow) {
                line[j] = noSource;
                continue;
            }
            const QPoint p =
                projector.rotatedPixel(3, sc, cc, cosU[j], sinU[j], sv, cv, width, height);
            line[j] = cap.source(p.x(), p.y());
        }
    }

private:
    const MapProjector &projector;
    double k;
    int width;
    int height;
    double sc = 0;
    double cc = 1;
    double zAbove = HUGE_VAL;
    double zBelow = -HUGE_VAL;
    std::vector<double> cosU;
    std::vector<double> sinU;
};

// Appends the runs of copied pixels of one map row, and their source indices.
void appendRuns(const std::uint32_t *line, int width, std::vector<MapGeometry::Run> &runs,
                std::vector<std::uint32_t> &sources)
{
    int column = 0;
    while (column < width) {
        if (line[column] == noSource) {
            ++column;
            continue;
        }
        const int start = column;
        while (column < width && line[column] != noSource)
            sources.push_back(line[column++]);
        runs.push_back({start, column - start});
    }
}

// Samples that would land below the half-map: only possible when the scales do not match the
// map, which the pipeline never does; counted for the projection's diagnostic line.
int countConversionErrors(const MapProjector &projector, QSize sourceSize, int width, int height)
{
    const int halfHeight = height / 2;
    int errors = 0;
    for (int i = std::max(projector.firstRow(sourceSize.height()), halfHeight);
         i <= projector.lastRow(sourceSize.height()); ++i) {
        const double rho = projector.samplingRadius(i, sourceSize.height());
        for (int j = 0; j < width; ++j) {
            const double phi = projector.columnAngle(j, sourceSize.width());
            if (projector
                    .sampleSource(std::cos(phi), std::sin(phi), rho, sourceSize.width(),
                                  sourceSize.height())
                    .x() >= 0)
                ++errors;
        }
    }
    return errors;
}

} // namespace

MapGeometry::MapGeometry(const ConversionParameters &params, QSize sourceSize,
                         RowScheduler &scheduler)
    : params(params), sourceSize(sourceSize), rows(std::max(0, params.outputHeight))
{
    const int width = params.outputWidth;
    const int height = params.outputHeight;
    MapProjector projector;
    projector.setCenter(params.centerX, params.centerY);
    projector.setRadius(params.radius);
    projector.setDistance(params.distance);
    projector.setScale(double(width) / sourceSize.width(), height * 0.5 / sourceSize.height());
    conversionErrors = countConversionErrors(projector, sourceSize, width, height);

    const ShiftedProjection cap(projector, params, sourceSize);
    const bool rotates = 90 - params.latitude != 0;
    const LatitudeRotation rotation(projector, cap, numeric::truncateToInt32(90 - params.latitude),
                                    width, height);
    const std::vector<int> longitudeColumns =
        shiftTable(params.longitude + 90 != 0, params.longitude + 90, width);

    scheduler.run(height, [&](int firstRow, int endRow) {
        std::vector<std::uint32_t> rotated(width);
        std::vector<std::uint32_t> line(width);
        std::vector<std::uint32_t> blockSources;
        std::vector<std::size_t> rowStart;
        for (int y = firstRow; y < endRow; ++y) {
            rowStart.push_back(blockSources.size());
            if (cap.isEmpty())
                continue;
            if (rotates) {
                rotation.fillRow(cap, y, rotated.data());
            } else {
                for (int j = 0; j < width; ++j)
                    rotated[j] = cap.source(j, y);
            }
            for (int x = 0; x < width; ++x) {
                const int from = longitudeColumns[x];
                line[x] = from < 0 ? noSource : rotated[from];
            }
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
    return destination;
}
