#pragma once

#include "spheregeometry.h"

#include <QPointF>
#include <QString>

#include <optional>

// Where the camera stands and how the globe lands in the picture.
struct CameraSetup
{
    int width = 1600;
    int height = 1200;
    // The disk: the globe's limb falls exactly on this circle (picture pixels).
    int centerX = 800;
    int centerY = 600;
    int radius = 588;
    // Camera distance from the globe's centre in globe radii; must exceed 1.
    double distance = 100.0;
    // The point of the globe straight below the camera, which appears at the disk centre.
    GeoPoint view;
    // Turn of the camera about its axis, degrees clockwise. The globe then appears turned
    // counter-clockwise by this angle (at 90 north points to the picture's left), which is the
    // picture that a conversion with the same azimuth turns back to north-up.
    double azimuth = 0.0;
};

// An exact pinhole camera looking at the unit globe: rays through picture points are
// intersected with the sphere, and globe points are projected back into the picture.
// Picture coordinates are in pixels with pixel (i, j) sampled at the point (i, j), so the disk
// centre pixel looks straight at the view point.
class GlobeCamera
{
public:
    // Why the setup cannot be rendered; empty when it can.
    static QString refusalReason(const CameraSetup &setup);

    // The setup must be one that refusalReason accepts.
    explicit GlobeCamera(const CameraSetup &setup);

    const CameraSetup &setup() const { return cameraSetup; }
    // Focal length in pixels that puts the limb, seen asin(1 / distance) off the axis, on the
    // marked circle.
    double focalLength() const { return focal; }
    // Angle from the view point to the horizon, degrees.
    double horizonAngle() const;

    // The globe point that the ray through picture point (x, y) hits first, or nothing when the
    // ray passes the globe.
    std::optional<Vec3> globePointAt(double x, double y) const;
    // The picture point where a globe point appears, or nothing when the globe hides it.
    std::optional<QPointF> picturePointOf(const Vec3 &globePoint) const;

private:
    CameraSetup cameraSetup;
    double focal = 0.0;
    Vec3 position;
    Vec3 forward;
    // World directions of the picture's right and up, after the camera's turn.
    Vec3 right;
    Vec3 up;
};
