#include "mosaic/exposurematching.h"

#include <algorithm>
#include <cmath>
#include <utility>

ExposureSums::ExposureSums(int pictures)
    : count(pictures), normal(std::size_t(pictures) * pictures, 0.0),
      weights(std::size_t(pictures) * pictures, 0.0)
{
}

void ExposureSums::addPair(int i, double li, int j, double lj, double weight)
{
    if (i == j || !(weight > 0.0))
        return;
    at(normal, i, i) += weight * li * li;
    at(normal, j, j) += weight * lj * lj;
    at(normal, i, j) -= weight * li * lj;
    at(normal, j, i) -= weight * li * lj;
    at(weights, i, j) += weight;
    at(weights, j, i) += weight;
}

void ExposureSums::merge(const ExposureSums &other)
{
    for (std::size_t k = 0; k < normal.size(); ++k) {
        normal[k] += other.normal[k];
        weights[k] += other.weights[k];
    }
}

double ExposureSums::pairWeight(int i, int j) const
{
    return at(weights, i, j);
}

std::vector<double> ExposureSums::gains(int reference) const
{
    const int n = count;
    std::vector<double> result(n, 1.0);
    if (n < 2 || reference < 0 || reference >= n)
        return result;
    // The pull toward 1, small against the overlaps' own terms.
    double trace = 0;
    for (int i = 0; i < n; ++i)
        trace += at(normal, i, i);
    const double pull = 1e-6 * trace / n + 1e-12;
    // The system A g = b with the reference row replaced by g_ref = 1.
    std::vector<double> a(normal);
    std::vector<double> b(n, 0.0);
    for (int i = 0; i < n; ++i) {
        if (i == reference) {
            for (int j = 0; j < n; ++j)
                at(a, i, j) = i == j ? 1.0 : 0.0;
            b[i] = 1.0;
        } else {
            at(a, i, i) += pull;
            b[i] = pull;
        }
    }
    // Gaussian elimination with partial pivoting: a handful of pictures.
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r)
            if (std::abs(at(a, r, col)) > std::abs(at(a, pivot, col)))
                pivot = r;
        if (!(std::abs(at(a, pivot, col)) > 0.0))
            return std::vector<double>(n, 1.0);
        if (pivot != col) {
            for (int j = 0; j < n; ++j)
                std::swap(at(a, pivot, j), at(a, col, j));
            std::swap(b[pivot], b[col]);
        }
        for (int r = col + 1; r < n; ++r) {
            const double factor = at(a, r, col) / at(a, col, col);
            for (int j = col; j < n; ++j)
                at(a, r, j) -= factor * at(a, col, j);
            b[r] -= factor * b[col];
        }
    }
    for (int r = n - 1; r >= 0; --r) {
        double sum = b[r];
        for (int j = r + 1; j < n; ++j)
            sum -= at(a, r, j) * result[j];
        result[r] = sum / at(a, r, r);
    }
    for (double &g : result)
        g = std::isfinite(g) ? std::clamp(g, minGain, maxGain) : 1.0;
    return result;
}
