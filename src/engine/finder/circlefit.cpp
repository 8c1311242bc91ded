#include "engine/finder/circlefit.h"

#include <algorithm>
#include <cmath>

namespace {

// Gauss-Newton rounds; the fit converges in a few when the start is within a pixel or two.
constexpr int fitIterations = 12;
// Tukey's biweight constant in units of the residual scale (95 % efficiency for Gaussian noise).
constexpr double tukeyConstant = 4.685;
// Median absolute deviation to standard deviation for Gaussian residuals.
constexpr double madToSigma = 1.4826;

double medianOf(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Solves the symmetric 3x3 system m x = v by Cramer's rule; false when it is singular.
bool solve3(const double m[3][3], const double v[3], double x[3])
{
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (!(std::fabs(det) > 1e-300) || !std::isfinite(det))
        return false;
    for (int k = 0; k < 3; ++k) {
        double c[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                c[i][j] = j == k ? v[i] : m[i][j];
        x[k] = (c[0][0] * (c[1][1] * c[2][2] - c[1][2] * c[2][1]) -
                c[0][1] * (c[1][0] * c[2][2] - c[1][2] * c[2][0]) +
                c[0][2] * (c[1][0] * c[2][1] - c[1][1] * c[2][0])) /
               det;
    }
    return std::isfinite(x[0]) && std::isfinite(x[1]) && std::isfinite(x[2]);
}

double distanceFrom(const Circle &circle, const EdgePoint &p)
{
    const double dx = p.x - circle.centerX;
    const double dy = p.y - circle.centerY;
    return std::sqrt(dx * dx + dy * dy) - circle.radius;
}

} // namespace

bool sameCircle(const Circle &a, const Circle &b, double tolerance)
{
    return std::fabs(a.centerX - b.centerX) < tolerance &&
           std::fabs(a.centerY - b.centerY) < tolerance &&
           std::fabs(a.radius - b.radius) < tolerance;
}

bool algebraicCircleFit(const std::vector<EdgePoint> &points, Circle &circle)
{
    if (points.size() < 3)
        return false;
    // Coordinates relative to the mean keep the sums well conditioned for large pictures.
    double meanX = 0.0;
    double meanY = 0.0;
    for (const EdgePoint &p : points) {
        meanX += p.x;
        meanY += p.y;
    }
    meanX /= double(points.size());
    meanY /= double(points.size());
    // x^2 + y^2 = 2 a x + 2 b y + c, linear in (a, b, c).
    double m[3][3] = {};
    double v[3] = {};
    for (const EdgePoint &p : points) {
        const double x = p.x - meanX;
        const double y = p.y - meanY;
        const double row[3] = {2 * x, 2 * y, 1.0};
        const double z = x * x + y * y;
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                m[i][j] += row[i] * row[j];
            v[i] += row[i] * z;
        }
    }
    double s[3];
    if (!solve3(m, v, s))
        return false;
    const double squared = s[2] + s[0] * s[0] + s[1] * s[1];
    if (!(squared > 0.0))
        return false;
    circle = {s[0] + meanX, s[1] + meanY, std::sqrt(squared)};
    return true;
}

CircleFit robustCircleFit(const std::vector<EdgePoint> &points, const Circle &start,
                          double minScale, double cutoff)
{
    CircleFit fit;
    fit.circle = start;
    if (points.size() < 3)
        return fit;
    std::vector<double> residuals(points.size());
    for (int iteration = 0; iteration < fitIterations; ++iteration) {
        std::vector<double> magnitudes(points.size());
        for (std::size_t i = 0; i < points.size(); ++i) {
            residuals[i] = distanceFrom(fit.circle, points[i]);
            magnitudes[i] = std::fabs(residuals[i]);
        }
        const double scale = std::max(minScale, madToSigma * medianOf(magnitudes));
        const double limit = tukeyConstant * scale;
        // Normal equations of the weighted geometric residuals in (centre x, centre y, radius).
        double m[3][3] = {};
        double v[3] = {};
        for (std::size_t i = 0; i < points.size(); ++i) {
            const double u = residuals[i] / limit;
            if (std::fabs(u) >= 1.0)
                continue;
            const double weight = (1 - u * u) * (1 - u * u);
            const double dx = points[i].x - fit.circle.centerX;
            const double dy = points[i].y - fit.circle.centerY;
            const double d = std::sqrt(dx * dx + dy * dy);
            if (!(d > 0.0))
                continue;
            const double row[3] = {-dx / d, -dy / d, -1.0};
            for (int a = 0; a < 3; ++a) {
                for (int b = 0; b < 3; ++b)
                    m[a][b] += weight * row[a] * row[b];
                v[a] -= weight * row[a] * residuals[i];
            }
        }
        double step[3];
        if (!solve3(m, v, step))
            return fit;
        fit.circle.centerX += step[0];
        fit.circle.centerY += step[1];
        fit.circle.radius += step[2];
        if (!(fit.circle.radius > 0.0))
            return fit;
        if (std::fabs(step[0]) + std::fabs(step[1]) + std::fabs(step[2]) < 1e-4)
            break;
    }
    fit.inlier.assign(points.size(), false);
    double sum = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double r = distanceFrom(fit.circle, points[i]);
        if (std::fabs(r) <= cutoff) {
            fit.inlier[i] = true;
            ++fit.inlierCount;
            sum += r * r;
        }
    }
    fit.rmsResidual = fit.inlierCount > 0 ? std::sqrt(sum / fit.inlierCount) : 0.0;
    fit.ok = fit.inlierCount >= 3;
    return fit;
}
