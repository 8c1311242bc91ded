#include "engine/finder/diskfinder.h"

#include "engine/finder/diskcandidates.h"
#include "engine/finder/finderimage.h"
#include "engine/finder/limbrefiner.h"

#include <QImage>

#include <algorithm>
#include <thread>

namespace {

// The coarse search runs on two reduced copies. On the finer one (longer side at most
// reducedSide pixels) small disks keep enough pixels. The centre votes tolerate a gradient
// direction error of a few reduced pixels over the radius, which a large disk's soft, textured
// or noisy limb exceeds at that scale; on the coarser copy (longer side at most
// coarseReducedSide) the same disk spans fewer pixels and its limb is averaged smooth.
constexpr int reducedSide = 1024;
constexpr int coarseReducedSide = 256;
// Coarse candidates of each copy measured at full resolution.
constexpr int candidatesMeasured = 3;
// A candidate must show edges along this fraction of its visible arc in the reduced picture.
constexpr double minCoarseSupport = 0.2;
// A limb edge differs from its surroundings by this many times the pixel noise, and by at
// least this many grey levels.
constexpr double contrastOverNoise = 4.0;
constexpr double minContrastLevels = 8.0;
// The second measurement searches this close to the first fit, pixels: near enough that the
// edges of texture or a halo beside a soft limb do not hold the fit a pixel or more off it.
constexpr double fineWindow = 2.0;
// The first measurement searches two reduced pixels and this many pixels more around the
// coarse circle; the fine one is repeated at most fineRounds times until the circle moves
// less than `settled` pixels. A round whose fit keeps less than `drifted` of the rays that
// the round before kept has left the limb; smaller changes are the noise of the edges.
constexpr double coarseMargin = 6.0;
constexpr int fineRounds = 8;
constexpr double settled = 0.05;
constexpr double drifted = 0.9;
// Found: limb edges along this fraction of the visible arc, on at least this many rays, and
// the visible arc at least this fraction of the circle.
constexpr double minSupport = 0.3;
constexpr int minSupportingRays = 24;
constexpr double minVisibleFraction = 0.12;
// Found: the backdrop lies just outside the circle along this fraction of the visible arc.
constexpr double minBackdropFraction = 0.8;
constexpr double minRadius = 20.0;
// A limb confirmed along this much of its visible arc ends the search: the candidates that
// follow have less support in the reduced picture.
constexpr double convincingSupport = 0.8;

// A coarse candidate in source pixels, with the reduction factor of the copy it was found on.
struct Guess
{
    Circle circle;
    int factor = 1;
};

// Adds the candidates of one reduced copy that show edges along enough of their visible arc.
// False when the copy has no edges at all.
bool addGuesses(const ReducedPicture &reduced, int threads, std::vector<Guess> &guesses)
{
    const EdgeMap edges(reduced, threads);
    if (edges.edgeIndices.empty())
        return false;
    for (const DiskCandidate &candidate : findDiskCandidates(edges, candidatesMeasured)) {
        if (candidate.supportedLength < minCoarseSupport * candidate.visibleLength)
            continue;
        const Circle &c = candidate.circle;
        const Circle source{reduced.toSource(c.centerX), reduced.toSource(c.centerY),
                            c.radius * reduced.factor()};
        // Both copies often propose the same circle; the finer copy's, found first, stays.
        const bool known = std::any_of(guesses.begin(), guesses.end(), [&](const Guess &g) {
            return sameCircle(g.circle, source, 2.0 * g.factor);
        });
        if (!known)
            guesses.push_back({source, reduced.factor()});
    }
    return true;
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
    if (m.backdropRays < minBackdropFraction * m.visibleRays)
        return QStringLiteral("the only circular edge has no plain backdrop around it");
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
    std::vector<Guess> guesses;
    if (!addGuesses(reduced, threads, guesses)) {
        finding.reason = QStringLiteral("the picture has no edges");
        return finding;
    }
    if (std::max(reduced.width(), reduced.height()) > coarseReducedSide)
        addGuesses(ReducedPicture(reduced, coarseReducedSide), threads, guesses);
    const ColourSampler sampler(source);
    const double minContrast =
        std::max(minContrastLevels, contrastOverNoise * sampler.noiseLevel());
    finding.reason = QStringLiteral("no circular edge in the picture");
    double bestSupported = 0.0;
    for (const Guess &guess : guesses) {
        const LimbMeasurement coarse =
            measureLimb(sampler, guess.circle, 2.0 * guess.factor + coarseMargin, minContrast);
        if (!coarse.fit.ok)
            continue;
        // The fine search follows the circle until it settles. A round that has drifted off
        // the limb ends it, and the earlier circle stays.
        LimbMeasurement fine = measureLimb(sampler, coarse.fit.circle, fineWindow, minContrast);
        for (int round = 1; round < fineRounds && fine.fit.ok; ++round) {
            const LimbMeasurement next =
                measureLimb(sampler, fine.fit.circle, fineWindow, minContrast);
            if (!next.fit.ok || next.supportingRays < drifted * fine.supportingRays)
                break;
            const Circle a = fine.fit.circle;
            const Circle b = next.fit.circle;
            fine = next;
            if (sameCircle(a, b, settled))
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
