#include "engine/precise/preciseprojection.h"

#include "engine/basics/angles.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

using angles::pi;
constexpr double radiansPerDegree = pi / 180.0;

} // namespace

PreciseProjection::PreciseProjection(const ConversionParameters &params)
    : centerX(params.exactCenterX()), centerY(params.exactCenterY()),
      perDistance(1.0 / params.distance),
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

void PreciseProjection::columnTerms(double cosLon, double sinLon, double along[3],
                                    double across[3]) const
{
    for (int i = 0; i < 3; ++i) {
        along[i] = toPicture[i][0] * cosLon + toPicture[i][1] * sinLon;
        across[i] = toPicture[i][1] * cosLon - toPicture[i][0] * sinLon;
    }
}

// The footprint formula, inlined into the batch loop.
inline SourceFootprint PreciseProjection::project(double cosLat, double sinLat,
                                                  const double along[3], const double across[3],
                                                  double &gradientSquared) const
{
    // The globe point is P = (cosLat cosLon, cosLat sinLon, sinLat); q = its picture
    // coordinates, qc and qr their changes per map column (east) and per map row (south).
    double q[3], qc[3], qr[3];
    for (int i = 0; i < 3; ++i) {
        const double up = toPicture[i][2];
        q[i] = cosLat * along[i] + sinLat * up;
        qc[i] = radiansPerColumn * (cosLat * across[i]);
        qr[i] = radiansPerRow * (sinLat * along[i] - cosLat * up);
    }
    // Pinhole projection: offset = scale * tangent / (1 - up / D).
    // One division per footprint: the rest multiply by reciprocals.
    const double w = 1.0 - q[2] * perDistance;
    const double wc = -qc[2] * perDistance;
    const double wr = -qr[2] * perDistance;
    const double perW = 1.0 / w;
    const double k = scale * perW;
    const double k2 = k * perW;
    SourceFootprint f;
    f.x = centerX + k * q[0];
    f.y = centerY - k * q[1];
    f.xPerColumn = k2 * (qc[0] * w - q[0] * wc);
    f.yPerColumn = -k2 * (qc[1] * w - q[1] * wc);
    f.xPerRow = k2 * (qr[0] * w - q[0] * wr);
    f.yPerRow = -k2 * (qr[1] * w - q[1] * wr);
    f.capMargin = q[2] - capLimit();
    gradientSquared = qc[2] * qc[2] + qr[2] * qr[2];
    return f;
}

namespace {

// The cap test's excess over its gradient: the distance to the cap edge in map pixels. A
// vanishing gradient (never met at pixel centres) gives a huge margin of the excess's sign.
double capMarginOf(double excess, double gradientSquared)
{
    return excess / std::max(std::sqrt(gradientSquared), DBL_MIN);
}

} // namespace

SourceFootprint PreciseProjection::footprintOf(double cosLat, double sinLat, const double along[3],
                                               const double across[3]) const
{
    double gradientSquared;
    SourceFootprint f = project(cosLat, sinLat, along, across, gradientSquared);
    f.capMargin = capMarginOf(f.capMargin, gradientSquared);
    return f;
}

SourceFootprint PreciseProjection::footprintAt(double column, double row) const
{
    const double lat = latitudeAt(row);
    const double lon = longitudeAt(column);
    double along[3], across[3];
    columnTerms(std::cos(lon), std::sin(lon), along, across);
    return footprintOf(std::cos(lat), std::sin(lat), along, across);
}

void PreciseProjection::footprintsOfRow(double cosLat, double sinLat, const double *const along[3],
                                        const double *const across[3], int count,
                                        FootprintBatch &batch) const
{
    // The terms are read through pointers that promise not to overlap the batch, and the
    // projection's constants from a local copy, so that the loop needs no overlap checks.
    const double *__restrict along0 = along[0];
    const double *__restrict along1 = along[1];
    const double *__restrict along2 = along[2];
    const double *__restrict across0 = across[0];
    const double *__restrict across1 = across[1];
    const double *__restrict across2 = across[2];
    const PreciseProjection self = *this;
    for (int k = 0; k < count; ++k) {
        const double a[3] = {along0[k], along1[k], along2[k]};
        const double b[3] = {across0[k], across1[k], across2[k]};
        const SourceFootprint f = self.project(cosLat, sinLat, a, b, batch.gradientSquared[k]);
        batch.x[k] = f.x;
        batch.y[k] = f.y;
        batch.xPerColumn[k] = f.xPerColumn;
        batch.yPerColumn[k] = f.yPerColumn;
        batch.xPerRow[k] = f.xPerRow;
        batch.yPerRow[k] = f.yPerRow;
        batch.capMargin[k] = f.capMargin;
    }
    // Pixels a map pixel or more inside the cap, most of them, need no square root.
    for (int k = 0; k < count; ++k) {
        const double excess = batch.capMargin[k];
        const double gradientSquared = batch.gradientSquared[k];
        batch.capMargin[k] = excess > 0.0 && excess * excess >= gradientSquared
                                 ? 1.0
                                 : capMarginOf(excess, gradientSquared);
    }
}
