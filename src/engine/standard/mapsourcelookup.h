#pragma once

#include "engine/basics/conversionparameters.h"
#include "engine/precise/preciseprojection.h"
#include "engine/standard/mapprojector.h"

#include <QPoint>
#include <QPointF>
#include <QSize>

#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

// Where each pixel of a finished map comes from. The conversion is the projection of the disk,
// the azimuth shift, the latitude rotation and the longitude shift; every step moves whole
// pixels without blending, so a map pixel either copies one source pixel or stays transparent
// black. sourceOf answers that for one pixel by reading the steps backwards; fillRow gives the
// same answers for a whole row, fast enough to build the geometry of the largest maps.
//
// The precise mode does not copy pixels: it samples the picture once at the exact point that a
// map pixel's centre shows. sourcePosition answers that in both modes, so that the one class
// says where a pixel comes from whichever mode made the map.
//
// Parameters that MapConverter::refusalReason refuses describe no map: the lookup then has no
// pixels, sourceOf answers (-1, -1) and sourcePosition nothing everywhere.
class MapSourceLookup
{
public:
    MapSourceLookup(const ConversionParameters &params, QSize sourceSize);

    // The source pixel that feeds map pixel (column, row) in the standard mode, or (-1, -1)
    // when that pixel stays transparent (or lies outside the map).
    QPoint sourceOf(int column, int row) const;

    // The point of the picture that map pixel (column, row) shows in the parameters' mode, with
    // source pixel (x, y) centred on the point (x, y): in the standard mode sourceOf's pixel,
    // in the precise mode the exact point of PreciseProjection. Nothing where the map pixel
    // stays transparent: outside the map, the visible cap or the picture.
    std::optional<QPointF> sourcePosition(int column, int row) const;

    // Marks a map pixel that stays transparent in fillRow's output.
    static constexpr std::uint32_t noSource = 0xFFFFFFFFu;
    // The optimised form of sourceOf for a whole map row (0 <= row < map height): writes
    // y * source width + x of sourceOf(column, row) into sourceIndices[column] for every
    // column, or noSource. It skips the rotation's arithmetic for pixels that it can tell
    // from one sine fall outside the projected cap, and whole rows that cannot reach it, and
    // runs the rotation's arc tangents in a fast form whose results it checks: a pixel whose
    // map coordinate comes close to a whole number is computed again the way sourceOf does.
    void fillRow(int row, std::uint32_t *sourceIndices) const;

private:
    // The sines and cosines that the rotation needs once per map row.
    struct RowAngles
    {
        double sv;
        double cv;
    };
    RowAngles rowAngles(int row) const;
    // fillRow's work for columns [begin, end) of a row that the rotation reaches.
    void fillRotatedColumns(const RowAngles &angles, int begin, int end,
                            std::uint32_t *sourceIndices) const;
    // The source index of a source pixel, or noSource for (-1, -1).
    std::uint32_t indexOf(QPoint source) const
    {
        return source.x() < 0 ? noSource
                              : std::uint32_t(source.y()) * std::uint32_t(sourceWidth) +
                                    std::uint32_t(source.x());
    }
    // Latitude rotation: the pixel of the azimuth-shifted map that rotated-map pixel
    // (column, row) reads.
    QPoint rotatedFrom(int column, const RowAngles &angles) const;
    // Azimuth shift and projection: the source pixel behind pixel (column, row) of the
    // azimuth-shifted map, or (-1, -1).
    QPoint projectedFrom(int column, int row) const;
    // True when every pixel of the row certainly reads nothing from the projected cap (fast
    // path only).
    bool rowMissesCap(const RowAngles &angles) const;

    MapProjector projector;
    // Set for the precise mode.
    std::optional<PreciseProjection> precise;
    int width = 0;
    int height = 0;
    int sourceWidth = 0;
    int sourceHeight = 0;
    bool rotates = false;

    // Caches of the per-column and per-row quantities, so that a pixel costs one rotation.
    // Column of the rotated map that each map column shows, -1 for none.
    std::vector<int> longitudeColumns;
    // Column of the projection (before its mirroring) that each column of the azimuth-shifted
    // map shows, -1 for none.
    std::vector<int> projectionColumns;
    // First and last map rows that the projection fills.
    int topRow = 0;
    int bottomRow = -1;
    std::vector<double> radiusOfRow;
    std::vector<double> cosPhi;
    std::vector<double> sinPhi;
    // The rotation: sine and cosine of its angle and of each column's longitude angle.
    double sc = 0;
    double cc = 1;
    std::vector<double> cosU;
    std::vector<double> sinU;
    // Rotated heights (sines of the latitude angle) beyond which a direction lies certainly
    // below or above the projected cap.
    double zAbove = HUGE_VAL;
    double zBelow = -HUGE_VAL;
};
