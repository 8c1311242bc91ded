#include "literalreference.h"

#include "engine/basics/numeric.h"

#include <QColor>
#include <QPainter>
#include <QPixmap>
#include <QRectF>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

using numeric::truncateToInt32;
using numeric::wrapToInt16;

namespace {

// Largest map side that describes a map.
constexpr int maxSide = 16384;
// Allowance at the last projection row: a bound such as 602.9999999999999 stands for 603.
constexpr double rowAllowance = 1e-9;
// Factor of the outer radial band, 1 - 0.9 as double arithmetic gives it.
constexpr double outerBandFactor = 0.09999999999999998;
static_assert(outerBandFactor == 1.0 - 0.9, "the outer band keeps the radius continuous");

// The projection record's fields with their values at construction.
struct Projection
{
    double edgeMargin = 0.01;
    double columnScale = 2.0;
    double rowScale = 2.0;
    double pi = std::acos(-1.0);
    double distance = 100.0;
    int radius = 0;
    int centerX = 0;
    int centerY = 0;
};

bool describesMap(const ConversionParameters &p)
{
    return std::isfinite(p.distance) && p.distance >= 1 && std::isfinite(p.latitude) &&
           std::isfinite(p.longitude) && std::isfinite(p.azimuth) && p.outputWidth > 0 &&
           p.outputHeight > 0 && p.outputWidth <= maxSide && p.outputHeight <= maxSide;
}

// Writes the visible cap into the upper half of target, mirrored left to right, the rows
// counting upward from the middle row.
void projectDisk(const Projection &m, const QImage &source, QImage &target)
{
    const int W = source.width();
    const int H = source.height();
    const int TW = target.width();
    const int TH2 = target.height() / 2;

    const double alpha = std::asin(1 / m.distance);
    const double f = m.radius / std::tan(alpha);
    const double lo = f * 0.1;
    const double hi = f * 0.114;
    const int i0 = truncateToInt32(wrapToInt16(truncateToInt32(m.rowScale * H * m.edgeMargin)) +
                                   alpha * 180 / m.pi / (90.0 / H) * m.rowScale);

    for (int i = i0; i <= m.rowScale * H - 1 + rowAllowance; ++i) {
        const double theta = (90 - i * 90.0 / (H * m.rowScale)) * (m.pi / 180);
        const double r = std::tan(std::atan(std::sin(theta) / (m.distance - std::cos(theta)))) * f;
        double rho;
        if (r < lo)
            rho = r;
        else if (r < hi)
            rho = (r - lo) * 0.9 + lo;
        else
            rho = r - (hi - lo) * outerBandFactor;

        for (int j = 0; j < TW; ++j) {
            const double phi = (j * 360.0 / (W * m.columnScale) - 180) * (m.pi / 180);
            const std::int64_t x =
                std::int64_t(wrapToInt16(truncateToInt32(std::cos(phi) * rho))) + m.centerX;
            const std::int64_t y =
                std::int64_t(wrapToInt16(truncateToInt32(std::sin(phi) * rho))) + m.centerY;
            if (x < 0 || x >= W || y < 0 || y >= H)
                continue;
            const QColor colour = source.pixelColor(int(x), int(y));
            // Rows beyond the half-map are conversion errors; they are not written.
            if (i < TH2)
                target.setPixelColor(TW - 1 - j, TH2 - 1 - i, colour);
        }
    }
}

bool fitsInt(std::int64_t value)
{
    return value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
}

// Draws columns [sx, sx + sw) of every row of source at column x. The int overload forwards to
// the QRectF one; shifts beyond the int range take that call directly.
void blit(QPainter &painter, std::int64_t x, const QImage &source, std::int64_t sx, std::int64_t sw)
{
    const int h = source.height();
    if (fitsInt(x) && fitsInt(sx) && fitsInt(sw))
        painter.drawImage(int(x), 0, source, int(sx), 0, int(sw), h);
    else
        painter.drawImage(QRectF(double(x), 0, -1, -1), source,
                          QRectF(double(sx), 0, double(sw), h));
}

void shiftLongitude(double x, const QImage &source, QImage &target)
{
    if (x > 360)
        x -= 360;
    if (x < -360)
        x += 360;
    const std::int64_t W = source.width();
    const std::int64_t a = truncateToInt32(double(W) / 360 * x);

    QPainter painter(&target);
    if (a > 0) {
        blit(painter, a, source, 0, W - a);
        blit(painter, 0, source, W - a, a);
    } else if (a < 0) {
        const std::int64_t b = -a;
        blit(painter, 0, source, b, W - b);
        blit(painter, W - b, source, 0, b);
    } else {
        painter.drawImage(0, 0, source);
    }
    painter.end();
}

void rotateGlobe(const Projection &m, int n, int g, const QImage &source, QImage &target)
{
    const int W = source.width();
    const int H = source.height();
    const double k = m.pi / 180;
    const double gamma = g * k;
    const double sc = std::sin(gamma);
    const double cc = std::cos(gamma);

    for (int i = 0; i < H; ++i) {
        const double v = (i * 180.0 / H - 90) * k;
        const double sv = std::sin(v);
        const double cv = std::cos(v);
        for (int j = 0; j < W; ++j) {
            const double u = j * 360.0 / W * k;
            const double X = std::cos(u) * cv;
            const double Y = std::sin(u) * cv;
            const double Z = sv;
            double Xr, Yr, Zr;
            if (n == 2) {
                Xr = cc * X + sc * Y;
                Yr = cc * Y - sc * X;
                Zr = Z;
            } else if (n == 3) {
                Xr = X;
                Yr = cc * Y + sc * Z;
                Zr = cc * Z - sc * Y;
            } else {
                Xr = cc * X + sc * Z;
                Yr = Y;
                Zr = cc * Z - sc * X;
            }
            // Exactly at a pole the longitude is undefined; column 0 is read.
            double t = 0;
            if (!(Xr == 0 && Yr == 0)) {
                t = std::atan(Yr / Xr) / k;
                if (Xr < 0)
                    t += 180;
                if (t < 0)
                    t += 360;
            }
            const double p = std::atan(Zr / std::sqrt(Yr * Yr + Xr * Xr));
            const int column = std::clamp(truncateToInt32((W - 1) * t / 360), 0, W - 1);
            const int row = std::clamp(truncateToInt32((p / k + 90) * (H - 1) / 180), 0, H - 1);
            target.setPixelColor(j, i, source.pixelColor(column, row));
        }
    }
}

} // namespace

QImage literalConvert(const QImage &source, const ConversionParameters &params)
{
    if (source.isNull() || !describesMap(params))
        return QImage();
    const QImage argb = source.convertToFormat(QImage::Format_ARGB32);

    const QColor transparentBlack(0, 0, 0, 0);
    QPixmap mapPixmap(params.outputWidth, params.outputHeight);
    mapPixmap.fill(transparentBlack);
    QPixmap resultPixmap(params.outputWidth, params.outputHeight);
    resultPixmap.fill(transparentBlack);
    QImage map = mapPixmap.toImage();
    QImage result = resultPixmap.toImage();

    Projection m;
    m.centerX = params.centerX;
    m.centerY = params.centerY;
    m.radius = params.radius;
    m.distance = params.distance;
    m.columnScale = double(params.outputWidth) / source.width();
    m.rowScale = params.outputHeight * 0.5 / source.height();
    projectDisk(m, argb, map);

    if (params.azimuth != 0) {
        shiftLongitude(-params.azimuth, map, result);
        map = result;
    } else {
        result = map;
    }
    if (90 - params.latitude != 0) {
        result = resultPixmap.toImage();
        rotateGlobe(m, 3, truncateToInt32(90 - params.latitude), map, result);
        map = result;
    }
    if (params.longitude + 90 != 0) {
        result = resultPixmap.toImage();
        shiftLongitude(params.longitude + 90, map, result);
    }
    return result;
}
