#pragma once

// The values a first start uses and the option dialog's defaults button restores, written
// once for the engine, the settings file and the dialogs.
namespace defaults {

// Camera distance in globe radii.
inline constexpr double distance = 100.0;
// Map size in pixels.
inline constexpr int outputWidth = 2048;
inline constexpr int outputHeight = 1024;
// JPEG quality, 1 to 100.
inline constexpr int outputQuality = 85;
// The selection circle's pen: width in pixels and colour as QColor::HexArgb names it.
inline constexpr int penSize = 3;
inline constexpr char penColor[] = "#FFFF0000";

} // namespace defaults
