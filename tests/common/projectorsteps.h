#pragma once

#include "engine/standard/mapprojector.h"

#include <QImage>

// The standard projection's steps as image operations, built on MapProjector's pure functions
// ("which source pixel feeds this map pixel"): the step-by-step references the tests compare
// the converter and the lookup with. The program itself converts through MapSourceLookup.
namespace projectorsteps {

// Writes the visible cap of the disk into the upper half of target as a polar-aspect map.
// Pixels it does not write keep their content. Returns the number of samples that fell below
// the half-map (0 whenever the scales match the target) and writes that count to the debug
// log after "Convert error ". Does nothing when the distance or the scales cannot describe a
// projection (see MapProjector::projectionIsDefined).
int projectDisk(const MapProjector &projector, const QImage &source, QImage &target);
// Copies source onto target shifted cyclically to the right by the angle.
void shiftLongitude(double degrees, const QImage &source, QImage &target);
// Writes into every target pixel the source pixel that lies in the rotated direction. axis is
// a MapProjector::RotationAxis code; any other code is allowed too.
void rotateGlobe(const MapProjector &projector, int axis, int degrees, const QImage &source,
                 QImage &target);

} // namespace projectorsteps
