#pragma once
// The ease that blends and convergences share: from 0 to 1 with no sudden change of rate at
// either end.

#include <algorithm>

// 0 at x = 0 to 1 at x = 1, flat before and after.
inline double Smoothstep(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3 - 2 * x);
}

// Its slope at x; the steepest, at x = 0.5, is 1.5 times its mean.
inline double SmoothstepSlope(double x) {
    return x <= 0 || x >= 1 ? 0.0 : 6 * x * (1 - x);
}
