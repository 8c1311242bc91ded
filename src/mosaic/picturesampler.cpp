#include "mosaic/picturesampler.h"

#include "engine/basics/numeric.h"
#include "engine/basics/picturedepth.h"
#include "engine/basics/rowscheduler.h"
#include "engine/precise/filteredsource.h"
#include "engine/precise/mapvisibility.h"
#include "engine/precise/precisegeometry.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

// A circle value as the precise mode takes it: a whole part and the rest.
void splitValue(double value, int &whole, double &fraction)
{
    whole = numeric::truncateToInt32(std::round(value));
    if (whole == INT32_MIN)
        whole = 0;
    fraction = value - whole;
}

ConversionParameters parametersOf(const MosaicView &view, QSize mapSize)
{
    ConversionParameters params;
    splitValue(view.centerX, params.centerX, params.centerXFraction);
    splitValue(view.centerY, params.centerY, params.centerYFraction);
    splitValue(view.radius, params.radius, params.radiusFraction);
    params.distance = view.distance;
    params.latitude = view.latitude;
    params.longitude = view.longitude;
    params.azimuth = view.azimuth;
    params.outputWidth = mapSize.width();
    params.outputHeight = mapSize.height();
    params.mode = ConversionMode::Precise;
    return params;
}

// The sampler reads pixels of the picture's own depth (32 or 64 bits) with packed lines;
// converted in place where Qt can, so that a picture is not held twice.
QImage samplerPixels(QImage picture)
{
    const bool deep = hasSixteenBits(picture);
    const QImage::Format opaque = deep ? QImage::Format_RGBX64 : QImage::Format_RGB32;
    const QImage::Format premultiplied =
        deep ? QImage::Format_RGBA64_Premultiplied : QImage::Format_ARGB32_Premultiplied;
    if (picture.format() != opaque && picture.format() != premultiplied)
        picture.convertTo(premultiplied);
    if (picture.bytesPerLine() != qsizetype(picture.width()) * picture.depth() / 8)
        picture = picture.copy();
    if (picture.isNull())
        throw std::bad_alloc();
    return picture;
}

// The filtered picture at its own depth: one of the two is made.
struct Sources
{
    Sources(const QImage &picture, qint64 key, int deepestLevel, RowScheduler &scheduler)
    {
        if (hasSixteenBits(picture))
            deep = std::make_unique<FilteredSource16>(picture, key, deepestLevel, scheduler);
        else
            shallow = std::make_unique<FilteredSource>(picture, key, deepestLevel, scheduler);
    }
    FilteredSource::Disk diskOf(double centerX, double centerY, double radius) const
    {
        return deep ? deep->diskOf(centerX, centerY, radius)
                    : shallow->diskOf(centerX, centerY, radius);
    }
    std::unique_ptr<FilteredSource> shallow;
    std::unique_ptr<FilteredSource16> deep;
};

} // namespace

struct PictureSampler::Parts
{
    Parts(const MosaicView &view, QSize mapSize, RowScheduler &scheduler)
        : geometry(parametersOf(view, mapSize), view.picture.size(), scheduler),
          sources(samplerPixels(view.picture), view.picture.cacheKey(), geometry.deepestLevel,
                  scheduler),
          disk(sources.diskOf(view.centerX, view.centerY, view.radius)), distance(view.distance)
    {
        // Every point of the cap appears within the circle: when the circle and the feather
        // lie inside the frame, no point needs its own test.
        feather = std::max(1.0, PictureSampler::frameFeather * view.radius);
        const double reach = view.radius + feather + 1;
        diskInFrame = view.centerX - reach >= -0.5 && view.centerY - reach >= -0.5 &&
                      view.centerX + reach <= view.picture.width() - 0.5 &&
                      view.centerY + reach <= view.picture.height() - 0.5;
    }

    // Cosine of the viewing angle at a globe point whose dot product with the disk centre's
    // direction is t: the camera stands at distance D along that direction, so the line of
    // sight is D n - P and its cosine with the normal P is (D t - 1) / |D n - P|.
    float viewCosine(double t) const
    {
        const double squared = distance * distance - 2 * distance * t + 1;
        return float((distance * t - 1) / std::sqrt(std::max(squared, 1e-12)));
    }

    // The samples of columns [first, end) of the row from the filtered picture.
    template <typename Source>
    void sampleRow(const Source &source, int row, int first, int end, Sample *out) const;

    PreciseGeometry geometry;
    Sources sources;
    FilteredSource::Disk disk;
    double distance;
    bool diskInFrame = false;
    // The width of the frame's ramp in picture pixels.
    double feather = 1.0;
};

PictureSampler::PictureSampler(const MosaicView &view, QSize mapSize, RowScheduler &scheduler)
    : parts(std::make_unique<Parts>(view, mapSize, scheduler))
{
}

PictureSampler::~PictureSampler() = default;

PictureSampler::Span PictureSampler::span(int row) const
{
    const PreciseGeometry::Span s = parts->geometry.spans[row];
    return {s.first, s.count};
}

void PictureSampler::sampleRow(int row, int first, int end, Sample *out) const
{
    if (parts->sources.deep)
        parts->sampleRow(*parts->sources.deep, row, first, end, out);
    else
        parts->sampleRow(*parts->sources.shallow, row, first, end, out);
}

template <typename Source>
void PictureSampler::Parts::sampleRow(const Source &source, int row, int first, int end,
                                      Sample *out) const
{
    const PreciseGeometry &g = geometry;
    const double normalZ = g.projection.capNormal()[2];
    PreciseProjection::FootprintBatch batch;
    for (int c0 = first; c0 < end; c0 += batch.capacity) {
        const int count = std::min(end - c0, int(batch.capacity));
        const double *along[3] = {&g.along[0][c0], &g.along[1][c0], &g.along[2][c0]};
        const double *across[3] = {&g.across[0][c0], &g.across[1][c0], &g.across[2][c0]};
        g.projection.footprintsOfRow(g.cosLatitude[row], g.sinLatitude[row], along, across, count,
                                     batch);
        for (int k = 0; k < count; ++k) {
            Sample &s = out[c0 - first + k];
            const double coverage = visibility::capCoverage(batch.capMargin[k]);
            if (!(coverage > 0.0)) {
                s = Sample();
                continue;
            }
            const FilteredSource::Colour colour = source.sample(batch.footprint(k), disk);
            for (int i = 0; i < 4; ++i)
                s.colour[i] = colour[i];
            s.coverage = float(coverage);
            s.viewCosine =
                viewCosine(g.cosLatitude[row] * g.along[2][c0 + k] + g.sinLatitude[row] * normalZ);
        }
    }
}

void PictureSampler::viewOf(int row, int first, int end, float *cosines, float *frame) const
{
    const PreciseGeometry &g = parts->geometry;
    const double normalZ = g.projection.capNormal()[2];
    const double cosLat = g.cosLatitude[row];
    const double zTerm = g.sinLatitude[row] * normalZ;
    // Pixel centres lie from 0 to size - 1; the frame's edge half a pixel beyond.
    const double right = g.sourceSize.width() - 0.5;
    const double bottom = g.sourceSize.height() - 0.5;
    if (parts->diskInFrame) {
        for (int c = first; c < end; ++c) {
            cosines[c - first] = parts->viewCosine(cosLat * g.along[2][c] + zTerm);
            frame[c - first] = 1.0f;
        }
        return;
    }
    PreciseProjection::FootprintBatch batch;
    for (int c0 = first; c0 < end; c0 += batch.capacity) {
        const int count = std::min(end - c0, int(batch.capacity));
        const double *along[3] = {&g.along[0][c0], &g.along[1][c0], &g.along[2][c0]};
        const double *across[3] = {&g.across[0][c0], &g.across[1][c0], &g.across[2][c0]};
        g.projection.footprintsOfRow(cosLat, g.sinLatitude[row], along, across, count, batch);
        for (int k = 0; k < count; ++k) {
            const int c = c0 + k;
            cosines[c - first] = parts->viewCosine(cosLat * g.along[2][c] + zTerm);
            const double inside = std::min(std::min(batch.x[k] + 0.5, right - batch.x[k]),
                                           std::min(batch.y[k] + 0.5, bottom - batch.y[k]));
            // NaN positions (far side) count as off the frame.
            const double ramp = inside > 0.0 ? std::min(inside / parts->feather, 1.0) : 0.0;
            frame[c - first] = float(ramp * ramp * (3 - 2 * ramp));
        }
    }
}

PictureSampler::Sample PictureSampler::sampleAt(int column, int row) const
{
    Sample s;
    sampleRow(row, column, column + 1, &s);
    return s;
}
