#include "preciseprojection.h"

#include <cmath>

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double radiansPerDegree = pi / 180.0;

} // namespace

PreciseProjection::PreciseProjection(const ConversionParameters &params)
    : centerX(params.exactCenterX()), centerY(params.exactCenterY()), distance(params.distance),
      scale(params.exactRadius() *
            std::sqrt(std::fmax(0.0, 1.0 - 1.0 / (params.distance * params.distance)))),
      radiansPerColumn(2 * pi / params.outputWidth), radiansPerRow(pi / params.outputHeight)
{
    // The local frame at the landing point: east, north and up.
    const double lat = params.latitude * radiansPerDegree;
    const double lon = params.longitude * radiansPerDegree;
    const double east[3] = {-std::sin(lon), std::cos(lon), 0.0};
    const double north[3] = {-std::sin(lat) * std::cos(lon), -std::sin(lat) * std::sin(lon),
                             std::cos(lat)};
    const double up[3] = {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon),
                          std::sin(lat)};
    // The azimuth turns the picture clockwise: its right axis lies at the azimuth from east
    // toward south, its up axis at the azimuth from north toward east.
    const double a = params.azimuth * radiansPerDegree;
    const double ca = std::cos(a);
    const double sa = std::sin(a);
    for (int i = 0; i < 3; ++i) {
        toPicture[0][i] = ca * east[i] - sa * north[i];
        toPicture[1][i] = sa * east[i] + ca * north[i];
        toPicture[2][i] = up[i];
    }
}

double PreciseProjection::latitudeAt(double row) const
{
    return pi / 2 - row * radiansPerRow;
}

double PreciseProjection::longitudeAt(double column) const
{
    return column * radiansPerColumn - pi;
}

SourceFootprint PreciseProjection::footprintOf(double cosLat, double sinLat, double cosLon,
                                               double sinLon) const
{
    const double p[3] = {cosLat * cosLon, cosLat * sinLon, sinLat};
    // Derivatives of the globe point per map column (east) and per map row (south).
    const double pc[3] = {-cosLat * sinLon * radiansPerColumn, cosLat * cosLon * radiansPerColumn,
                          0.0};
    const double pr[3] = {sinLat * cosLon * radiansPerRow, sinLat * sinLon * radiansPerRow,
                          -cosLat * radiansPerRow};
    double q[3], qc[3], qr[3];
    for (int i = 0; i < 3; ++i) {
        const double *m = toPicture[i];
        q[i] = m[0] * p[0] + m[1] * p[1] + m[2] * p[2];
        qc[i] = m[0] * pc[0] + m[1] * pc[1] + m[2] * pc[2];
        qr[i] = m[0] * pr[0] + m[1] * pr[1] + m[2] * pr[2];
    }
    // Pinhole projection: offset = scale * tangent / (1 - up / D).
    const double w = 1.0 - q[2] / distance;
    const double wc = -qc[2] / distance;
    const double wr = -qr[2] / distance;
    const double k = scale / w;
    const double k2 = scale / (w * w);
    SourceFootprint f;
    f.x = centerX + k * q[0];
    f.y = centerY - k * q[1];
    f.xPerColumn = k2 * (qc[0] * w - q[0] * wc);
    f.yPerColumn = -k2 * (qc[1] * w - q[1] * wc);
    f.xPerRow = k2 * (qr[0] * w - q[0] * wr);
    f.yPerRow = -k2 * (qr[1] * w - q[1] * wr);
    const double g = q[2] - capLimit();
    const double gradient = std::sqrt(qc[2] * qc[2] + qr[2] * qr[2]);
    f.capMargin = gradient > 0 ? g / gradient : (g > 0 ? HUGE_VAL : -HUGE_VAL);
    return f;
}

SourceFootprint PreciseProjection::footprintAt(double column, double row) const
{
    const double lat = latitudeAt(row);
    const double lon = longitudeAt(column);
    return footprintOf(std::cos(lat), std::sin(lat), std::cos(lon), std::sin(lon));
}
