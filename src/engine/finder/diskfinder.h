#pragma once

#include <QString>

class QImage;

// Where the finder saw the globe's disk in a picture.
//
// Coordinates are source pixels in the convention of the circle's line edits and the
// projection: pixel (i, j) is centred on the point (i, j), so a disk whose centre lies in the
// middle of pixel (800, 600) has centerX 800 and centerY 600; the radius is the distance from
// that point to the limb. The values are real numbers; a caller that needs whole pixels rounds.
struct DiskFinding
{
    bool found = false;
    double centerX = 0.0;
    double centerY = 0.0;
    double radius = 0.0;
    // How well the limb fits: the root mean square distance, in pixels, of the limb points
    // from the circle, and the fraction of the circle's visible arc (the part inside the
    // picture) along which a limb edge was found.
    double rmsResidual = 0.0;
    double support = 0.0;
    // Why no disk was found (empty when one was).
    QString reason;
};

// Finds the globe's disk in a picture: the circle along which the picture changes from the
// globe to its backdrop. Stars, noise, compression artefacts, a soft halo, limb darkening, a
// night side (whose terminator is not taken for the limb), a limb partly outside the picture
// and non-black backdrops are tolerated. Disks with a radius between about 1/200 (and at least
// 20 pixels) and 0.6 of the picture's longer side are found; pictures without a clear circular
// limb give found == false and a reason. Uses up to `threads` threads (0: the machine's cores).
DiskFinding findDisk(const QImage &picture, int threads = 0);
