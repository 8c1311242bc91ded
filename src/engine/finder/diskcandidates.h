#pragma once

#include "engine/finder/circlefit.h"

#include <cstdint>
#include <vector>

class ReducedPicture;

// Edges of the reduced picture: the Sobel gradient of whichever colour channel changes most,
// thinned to one pixel across (non-maximum suppression) and kept where it rises clearly above
// the picture's own gradient noise.
struct EdgeMap
{
    int width = 0;
    int height = 0;
    std::vector<float> gradientX;
    std::vector<float> gradientY;
    std::vector<float> magnitude;
    std::vector<std::uint8_t> isEdge;
    std::vector<int> edgeIndices;

    EdgeMap(const ReducedPicture &picture, int threads);
    bool edgeAt(int x, int y) const
    {
        return x >= 0 && y >= 0 && x < width && y < height && isEdge[std::size_t(y * width + x)];
    }
};

// A circle proposed by the coarse search, with the length of its arc (in reduced pixels) that
// edges pointing towards or away from its centre confirm.
struct DiskCandidate
{
    Circle circle;
    double supportedLength = 0.0;
    double visibleLength = 0.0;
};

// Finds circles whose edges' gradients meet in a common centre, by a gradient Hough transform:
// every edge point votes for the centres along its gradient line, each peak of the votes gets
// its radius from the distances of the edge points that face it, and the circle is fitted to
// those points. Returns the candidates with the longest confirmed arc first, at most `count`.
std::vector<DiskCandidate> findDiskCandidates(const EdgeMap &edges, int count);
