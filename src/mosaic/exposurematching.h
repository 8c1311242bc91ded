#pragma once

#include <vector>

// Gains that make overlapping pictures agree in brightness: with L_i and L_j the brightness of
// pictures i and j at a point both see, the gains minimise the weighted sum of
// (g_i L_i - g_j L_j)^2 over all such points, with the reference picture's gain fixed at 1.
// A faint pull toward 1 keeps the gain of a picture that overlaps nothing (or only pictures cut
// off from the reference) at or near 1.
class ExposureSums
{
public:
    explicit ExposureSums(int pictures);

    int pictureCount() const { return count; }
    // One point seen by pictures i and j with brightness li and lj.
    void addPair(int i, double li, int j, double lj, double weight);
    void merge(const ExposureSums &other);
    // Pairs added with a weight above 0 between i and j, in either order.
    double pairWeight(int i, int j) const;

    // The least-squares gains, each within [minGain, maxGain].
    std::vector<double> gains(int reference) const;

    static constexpr double minGain = 0.25;
    static constexpr double maxGain = 4.0;

private:
    double &at(std::vector<double> &m, int i, int j) const { return m[i * count + j]; }
    double at(const std::vector<double> &m, int i, int j) const { return m[i * count + j]; }

    int count;
    // The normal equations' matrix, and the total weight per pair.
    std::vector<double> normal;
    std::vector<double> weights;
};
