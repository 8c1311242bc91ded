#pragma once

#include "spheregeometry.h"

#include <QImage>

#include <optional>

// Reading a finished equirectangular map: row 0 lies at latitude +90, column 0 at longitude
// -180, and each pixel stands for the point at its top-left corner.

GeoPoint mapPixelPosition(int column, int row, int width, int height);

// Area-weighted mean direction of the opaque map pixels that pass `select`, or nothing when
// no pixel does. On a map the pixels shrink towards the poles, hence the cos(latitude) weight.
template <typename Select> std::optional<GeoPoint> meanPosition(const QImage &map, Select select)
{
    Vec3 sum;
    int count = 0;
    for (int row = 0; row < map.height(); ++row) {
        const QRgb *line = reinterpret_cast<const QRgb *>(map.constScanLine(row));
        for (int column = 0; column < map.width(); ++column) {
            if (qAlpha(line[column]) != 255 || !select(line[column]))
                continue;
            const GeoPoint position = mapPixelPosition(column, row, map.width(), map.height());
            sum = sum + std::cos(degreesToRadians(position.latitude)) * unitVector(position);
            ++count;
        }
    }
    if (count == 0 || length(sum) == 0.0)
        return std::nullopt;
    return geoPointOf(sum);
}

// The latitude where a conversion puts the disk centre: its globe turn is a whole number of
// degrees, 90 minus the latitude truncated toward zero.
double landingLatitude(double latitude);

// Where a conversion puts each point of the globe. The picture was taken looking down at
// `view` with the camera turned by `renderAzimuth`; the conversion lands the disk centre at
// `landing` and turns the picture clockwise by `convertAzimuth`. On the map, every bearing
// about the landing point is then the globe's bearing about the view plus
// (convertAzimuth - renderAzimuth), and every distance from it is unchanged.
class ExpectedPlacement
{
public:
    ExpectedPlacement(const GeoPoint &view, double renderAzimuth, const GeoPoint &landing,
                      double convertAzimuth);

    // The globe point that a map position should show.
    Vec3 surfacePointFor(const Vec3 &mapPoint) const;
    // The map position where a globe point should appear.
    Vec3 mapPointFor(const Vec3 &surfacePoint) const;

private:
    LocalFrame viewFrame;
    LocalFrame landingFrame;
    double turn;
};
