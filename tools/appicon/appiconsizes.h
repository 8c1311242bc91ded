#pragma once

#include <array>

namespace appicon {

// The picture sizes installed into the hicolor icon theme and built into the program.
constexpr std::array<int, 8> pictureSizes{16, 22, 24, 32, 48, 64, 128, 256};

} // namespace appicon
