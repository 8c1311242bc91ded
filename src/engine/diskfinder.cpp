#include "diskfinder.h"

#include "diskcandidates.h"
#include "finderimage.h"
#include "limbrefiner.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <thread>

namespace {

// The coarse search runs on a copy whose longer side has at most this many pixels.
constexpr int reducedSide = 1024;
// Coarse candidates measured at full resolution.
constexpr int candidatesMeasured = 3;
// A candidate must show edges along this fraction of its visible arc in the reduced picture.
constexpr double minCoarseSupport = 0.2;
// A limb edge differs from its surroundings by this many times the pixel noise, and by at
// least this many grey levels.
constexpr double contrastOverNoise = 4.0;
constexpr double minContrastLevels = 8.0;
// The second measurement searches this close to the first fit, pixels.
constexpr double fineWindow = 3.0;
// The first measurement searches two reduced pixels and this many pixels more around the
// coarse circle; the fine one is repeated at most fineRounds times until the circle moves
// less than `settled` pixels.
constexpr double coarseMargin = 6.0;
constexpr int fineRounds = 4;
constexpr double settled = 0.05;
// Found: limb edges along this fraction of the visible arc, on at least this many rays, and
// the visible arc at least this fraction of the circle.
constexpr double minSupport = 0.3;
constexpr int minSupportingRays = 24;
constexpr double minVisibleFraction = 0.12;
constexpr double minRadius = 20.0;
// A limb confirmed along this much of its visible arc ends the search: the candidates that
// follow have less support in the reduced picture.
constexpr double convincingSupport = 0.8;

Circle toSource(const ReducedPicture &reduced, const Circle &c)
{
    return {reduced.toSource(c.centerX), reduced.toSource(c.centerY), c.radius * reduced.factor()};
}

// Reason a measured limb is not accepted as the disk; empty when it is.
QString rejection(const LimbMeasurement &m)
{
    if (!m.fit.ok)
        return QStringLiteral("no circle fits the edges");
    if (m.visibleRays < minVisibleFraction * m.rayCount)
        return QStringLiteral("too little of the circle lies inside the picture");
    if (m.fit.circle.radius < minRadius)
        return QStringLiteral("the only circle found is too small");
    if (m.supportingRays < minSupportingRays || m.support() < minSupport)
        return QStringLiteral("no circle's limb is confirmed along enough of its arc");
    return QString();
}

} // namespace

DiskFinding findDisk(const QImage &picture, int threads)
{
    DiskFinding finding;
    if (picture.isNull() || picture.width() < 8 || picture.height() < 8) {
        finding.reason = QStringLiteral("the picture is empty or too small");
        return finding;
    }
    const QImage source =
        hasDirectLayout(picture) ? picture : picture.convertToFormat(QImage::Format_RGB32);
    if (threads <= 0)
        threads = int(std::max(1u, std::thread::hardware_concurrency()));
    const ReducedPicture reduced(source, reducedSide, threads);
    const EdgeMap edges(reduced, threads);
    if (edges.edgeIndices.empty()) {
        finding.reason = QStringLiteral("the picture has no edges");
        return finding;
    }
    const std::vector<DiskCandidate> candidates = findDiskCandidates(edges, candidatesMeasured);
    const ColourSampler sampler(source);
    const double minContrast =
        std::max(minContrastLevels, contrastOverNoise * sampler.noiseLevel());
    finding.reason = QStringLiteral("no circular edge in the picture");
    double bestSupported = 0.0;
    for (const DiskCandidate &candidate : candidates) {
        if (candidate.supportedLength < minCoarseSupport * candidate.visibleLength)
            continue;
        const Circle guess = toSource(reduced, candidate.circle);
        const LimbMeasurement coarse =
            measureLimb(sampler, guess, 2.0 * reduced.factor() + coarseMargin, minContrast);
        if (!coarse.fit.ok)
            continue;
        // The fine search follows the circle until it settles. A round that confirms less of
        // the limb than the one before has drifted off it, and the earlier circle stays.
        LimbMeasurement fine = measureLimb(sampler, coarse.fit.circle, fineWindow, minContrast);
        for (int round = 1; round < fineRounds && fine.fit.ok; ++round) {
            const LimbMeasurement next =
                measureLimb(sampler, fine.fit.circle, fineWindow, minContrast);
            if (!next.fit.ok || next.supportingRays < fine.supportingRays)
                break;
            const Circle a = fine.fit.circle;
            const Circle b = next.fit.circle;
            fine = next;
            if (std::fabs(a.centerX - b.centerX) < settled &&
                std::fabs(a.centerY - b.centerY) < settled &&
                std::fabs(a.radius - b.radius) < settled)
                break;
        }
        const QString why = rejection(fine);
        if (!why.isEmpty()) {
            if (!finding.found)
                finding.reason = why;
            continue;
        }
        if (fine.supportingRays * fine.fit.circle.radius / fine.rayCount <= bestSupported)
            continue;
        bestSupported = fine.supportingRays * fine.fit.circle.radius / fine.rayCount;
        finding.found = true;
        finding.reason.clear();
        finding.centerX = fine.fit.circle.centerX;
        finding.centerY = fine.fit.circle.centerY;
        finding.radius = fine.fit.circle.radius;
        finding.rmsResidual = fine.fit.rmsResidual;
        finding.support = fine.support();
        if (finding.support >= convincingSupport)
            break;
    }
    return finding;
}
