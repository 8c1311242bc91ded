#include "app/settingscheck.h"

#include "app/settinglimits.h"

#include <variant>

namespace {

struct CheckedKey
{
    const char *name;
    std::variant<int SettingsRecord::*, double SettingsRecord::*> field;
    limits::Range range;
    const char *kind;
};

// The stored values a conversion depends on, with the limits the option dialog and the
// command line apply to them (the map's size: any the engine makes).
const CheckedKey checkedKeys[] = {
    {"CenterX", &SettingsRecord::centerX, limits::circleCentre, "a whole number"},
    {"CenterY", &SettingsRecord::centerY, limits::circleCentre, "a whole number"},
    {"Radius", &SettingsRecord::radius, limits::radius, "a whole number"},
    {"Distance", &SettingsRecord::distance, limits::distance, "a number"},
    {"OutputSizeX", &SettingsRecord::outputSizeX, limits::storedMapSide, "a whole number"},
    {"OutputSizeY", &SettingsRecord::outputSizeY, limits::storedMapSide, "a whole number"},
    {"OutputQuality", &SettingsRecord::outputQuality, limits::quality, "a whole number"},
    {"Latitude", &SettingsRecord::latitude, limits::latitude, "a number"},
    {"Longitude", &SettingsRecord::longitude, limits::longitude, "a number"},
    {"Azimuth", &SettingsRecord::azimuth, limits::azimuth, "a number"},
};

QString numberText(double value)
{
    return QString::number(value, 'g', 10);
}

} // namespace

QString storedSettingsProblem(const SettingsRecord &settings, const QString &settingsFile)
{
    // A fresh install has no circle: every map would show one colour of the picture's corner.
    // Pictures whose disk is found need none, unless the finder fails on one of them.
    const bool noCircle = settings.radius == 0;
    if (noCircle && !settings.detectDisk)
        return QStringLiteral("no circle is set (Radius is 0 in %1): give one with --circle "
                              "X,Y,R, have the disk found in each picture with --detect, or mark "
                              "it in the window and close it")
            .arg(settingsFile);
    for (const CheckedKey &key : checkedKeys) {
        if (noCircle && key.field == decltype(key.field)(&SettingsRecord::radius))
            continue;
        const double value =
            std::visit([&settings](auto member) { return double(settings.*member); }, key.field);
        if (key.range.contains(value))
            continue;
        return QStringLiteral("%1=%2 in %3 is not %4 from %5 to %6")
            .arg(QLatin1String(key.name), numberText(value), settingsFile, QLatin1String(key.kind),
                 numberText(key.range.lowest), numberText(key.range.highest));
    }
    return QString();
}
