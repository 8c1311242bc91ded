#pragma once

#include <cmath>
#include <cstdint>

// Integer conversions of the projection formulas, made well-defined for every input.
namespace numeric {

// Converts toward zero to a 32-bit integer. Values that do not fit (and NaN) give INT32_MIN,
// the "integer indefinite" that the x86 conversion instruction yields, so results stay the
// same on every platform instead of being undefined behaviour.
inline std::int32_t truncateToInt32(double value)
{
    if (!(value > -2147483649.0 && value < 2147483648.0))
        return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

// Keeps the low 16 bits of a 32-bit integer as a signed 16-bit value (wraps modulo 65536).
inline std::int32_t wrapToInt16(std::int32_t value)
{
    std::int32_t low = static_cast<std::int32_t>(static_cast<std::uint32_t>(value) & 0xFFFFu);
    return low >= 0x8000 ? low - 0x10000 : low;
}

} // namespace numeric
