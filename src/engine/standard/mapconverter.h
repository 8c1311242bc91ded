#pragma once

#include "engine/basics/conversionparameters.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

struct MapGeometry;
class PreciseConverter;

// The result of one conversion: the finished map, or a null map and the reason it was refused.
struct ConversionResult
{
    QImage map;
    QString error;
    // Scales the projection ran with (map columns per source column, half-map rows per row).
    double columnScale = 0.0;
    double rowScale = 0.0;
    // Where the time went: computing the geometry (0 when the kept one was reused) and
    // filling the map from the source.
    double geometryMilliseconds = 0.0;
    double gatherMilliseconds = 0.0;
    // Map pixels that took something of the picture. A map without any is blank: a preview
    // may show it, but it is never written (see blankMapReason).
    qint64 coveredPixels = 0;
    bool ok() const { return !map.isNull(); }
    bool showsPicture() const { return coveredPixels > 0; }
};

// Turns a picture with a marked disk into the finished equirectangular map: the projection
// of the disk, the azimuth shift, the latitude rotation and the longitude shift, computed as
// one gather from the source so that the intermediate maps are never built.
//
// The geometry (which source pixel each map pixel comes from, see MapSourceLookup) depends
// only on the parameters and the source size; the converter keeps the last one and reuses it,
// so a batch of equally sized pictures costs one gather per further file. Pending events are
// processed while the geometry is computed, at least every few milliseconds, so the window
// stays responsive; a conversion started from such an event runs on its own buffers.
class MapConverter
{
public:
    MapConverter();
    ~MapConverter();
    MapConverter(const MapConverter &) = delete;
    MapConverter &operator=(const MapConverter &) = delete;

    // Called between blocks of rows on the calling thread. Defaults to processing all
    // pending events when an application object exists.
    void setEventPump(std::function<void()> pump);
    // Worker threads used for the geometry and the gather (default: the hardware's cores).
    void setThreadCount(int threads);
    // Drops the kept geometry and working buffers.
    void releaseCache();
    // How many of the last maps are kept so that their memory can be reused once their
    // holders let go of them (default 1). A batch that writes one map while it converts the
    // next keeps two, so that no map is allocated anew.
    void setKeptMapCount(int count);
    int keptMapCount() const { return mapsKept; }

    // The one conversion pipeline that the main window and the batch run use.
    ConversionResult convert(const QImage &source, const ConversionParameters &params);

    // Why these parameters cannot be converted for a source of the given size; empty when
    // they can. The one check of a conversion's parameters: MapSourceLookup relies on it too.
    static QString refusalReason(const ConversionParameters &params, QSize sourceSize);

    // Why a map that took nothing of the picture (not showsPicture()) is not written.
    static QString blankMapReason(const ConversionParameters &params);

    // Largest map side accepted.
    static constexpr int maxOutputSide = 16384;

private:
    ConversionResult convertUnguarded(const QImage &source, const ConversionParameters &params);
    // A map of the parameters' size and the given format, made from a kept map's memory when
    // possible.
    QImage reusableMap(const ConversionParameters &params, QImage::Format format);
    void keep(const QImage &map);

    std::function<void()> eventPump;
    int threadCount;
    bool busy = false;
    std::shared_ptr<const MapGeometry> cachedGeometry;
    // The precise mode's own kept geometry and filtered picture.
    std::unique_ptr<PreciseConverter> precise;
    // The last maps, oldest first, kept so that their memory can be reused once the caller
    // has dropped them.
    std::vector<QImage> keptMaps;
    int mapsKept = 1;
};
