#pragma once

#include <cmath>

// Rounding to the nearest integer with ties to the even neighbour, as the
// formula language does wherever a value becomes an integer (Mod, \, PreCanshu).
// Independent of the floating-point rounding mode; non-finite values pass through.
inline double roundHalfEvenValue(double value)
{
    if (!std::isfinite(value))
        return value;
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < 0.5)
        return below;
    if (fraction > 0.5)
        return below + 1.0;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}
