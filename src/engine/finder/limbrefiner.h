#pragma once

#include "engine/finder/circlefit.h"

class ColourSampler;

// The limb measured along rays from a circle's centre at full resolution.
struct LimbMeasurement
{
    CircleFit fit;
    // Rays whose search window lies wholly inside the picture, those whose edge the fit kept,
    // and those along which the picture just outside the circle has the backdrop's colour
    // (the colour outside the limb edges).
    int visibleRays = 0;
    int supportingRays = 0;
    int backdropRays = 0;
    int rayCount = 0;
    double support() const { return visibleRays > 0 ? double(supportingRays) / visibleRays : 0.0; }
};

// Searches each ray from the circle's centre for the limb within `window` pixels of the
// circle: the sub-pixel position of the steepest colour change (a parabola through the
// strongest difference and its neighbours), kept when the colours on its two sides differ by
// at least `minContrast` grey levels. A robust circle fit through these edges rejects the
// ones that are not on the limb: a terminator, stars, surface detail.
LimbMeasurement measureLimb(const ColourSampler &picture, const Circle &guess, double window,
                            double minContrast);
