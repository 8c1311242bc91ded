#include "globecamera.h"

#include <cmath>
#include <cstdlib>

namespace {

// Pictures larger than this on a side are refused; they would only exhaust memory.
constexpr int maxPictureSide = 32768;
// Circle values beyond this are refused, which keeps every pixel bound within int range.
constexpr int maxCircleValue = 1000000;

} // namespace

QString GlobeCamera::refusalReason(const CameraSetup &setup)
{
    if (setup.width <= 0 || setup.height <= 0 || setup.width > maxPictureSide ||
        setup.height > maxPictureSide)
        return QStringLiteral("the picture size must be between 1 and %1 pixels on each side")
            .arg(maxPictureSide);
    if (setup.radius <= 0 || setup.radius > maxCircleValue)
        return QStringLiteral("the disk radius must be between 1 and %1 pixels")
            .arg(maxCircleValue);
    if (std::abs(setup.centerX) > maxCircleValue || std::abs(setup.centerY) > maxCircleValue)
        return QStringLiteral("the disk centre must lie within %1 pixels of the picture")
            .arg(maxCircleValue);
    if (!(std::isfinite(setup.distance) && setup.distance > 1.0))
        return QStringLiteral("the camera distance must be a number greater than 1");
    if (!(setup.view.latitude >= -90.0 && setup.view.latitude <= 90.0))
        return QStringLiteral("the view latitude must lie between -90 and 90 degrees");
    if (!std::isfinite(setup.view.longitude) || !std::isfinite(setup.azimuth))
        return QStringLiteral("the view longitude and the azimuth must be numbers");
    return QString();
}

GlobeCamera::GlobeCamera(const CameraSetup &setup) : cameraSetup(setup)
{
    const double limbAngle = std::asin(1.0 / setup.distance);
    focal = setup.radius / std::tan(limbAngle);

    const LocalFrame frame = localFrameAt(setup.view);
    position = setup.distance * frame.up;
    forward = -1.0 * frame.up;
    // Turning the camera clockwise turns the picture's axes away from east and north.
    const double turn = degreesToRadians(setup.azimuth);
    right = std::cos(turn) * frame.east - std::sin(turn) * frame.north;
    up = std::sin(turn) * frame.east + std::cos(turn) * frame.north;
}

double GlobeCamera::horizonAngle() const
{
    return radiansToDegrees(std::acos(1.0 / cameraSetup.distance));
}

std::optional<Vec3> GlobeCamera::globePointAt(double x, double y) const
{
    const Vec3 ray = normalized(focal * forward + (x - cameraSetup.centerX) * right -
                                (y - cameraSetup.centerY) * up);
    // |position + t ray| = 1  <=>  t^2 + 2 b t + c = 0 with b = position.ray, c = |position|^2 - 1.
    const double b = dot(position, ray);
    const double c = dot(position, position) - 1.0;
    const double discriminant = b * b - c;
    if (discriminant < 0.0)
        return std::nullopt;
    const double t = -b - std::sqrt(discriminant);
    return normalized(position + t * ray);
}

std::optional<QPointF> GlobeCamera::picturePointOf(const Vec3 &globePoint) const
{
    // A point faces the camera when the camera lies above its tangent plane.
    if (dot(position - globePoint, globePoint) <= 0.0)
        return std::nullopt;
    const Vec3 offset = globePoint - position;
    const double depth = dot(offset, forward);
    return QPointF(cameraSetup.centerX + focal * dot(offset, right) / depth,
                   cameraSetup.centerY - focal * dot(offset, up) / depth);
}
