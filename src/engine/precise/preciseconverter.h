#pragma once

#include "engine/basics/conversionparameters.h"

#include <QImage>
#include <QRgb>

#include <cstdint>
#include <memory>

template <typename Pixel> class FilteredSourceOf;
class RowScheduler;
struct PreciseGeometry;

// The precise mode's map: every map pixel samples the picture once, at the exact position its
// centre shows, with filtering fitted to its footprint, and the cap edge covers its pixels
// partly (alpha coverage; blended on black where the map is written without alpha). The
// geometry is kept for the next conversion with the same parameters and source size, and the
// filtered picture for the next conversion of the same picture.
class PreciseConverter
{
public:
    PreciseConverter();
    ~PreciseConverter();
    PreciseConverter(const PreciseConverter &) = delete;
    PreciseConverter &operator=(const PreciseConverter &) = delete;

    // Fills `map` (the parameters' size; RGBA64_Premultiplied for a source of 16 bits per
    // channel, see hasSixteenBits, ARGB32_Premultiplied for others) from the source. Returns
    // the milliseconds spent on the geometry (0 when the kept one was reused).
    double convert(const QImage &source, const ConversionParameters &params, QImage &map,
                   RowScheduler &scheduler);
    void releaseCache();
    // Map pixels of the last conversion that show something of the picture.
    qint64 coveredPixels = 0;

private:
    std::shared_ptr<const PreciseGeometry> geometry;
    std::shared_ptr<const FilteredSourceOf<QRgb>> filtered;
    std::shared_ptr<const FilteredSourceOf<std::uint64_t>> filtered16;
};
