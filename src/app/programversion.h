#pragma once

// The version the window title, --version and the installed files carry. Kept equal to the
// project version in the top-level CMakeLists.txt.
inline constexpr char programVersion[] = "1.02";
