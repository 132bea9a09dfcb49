// What an aircraft can fly. A record beyond these limits is a receiver's or a file's error, not
// an aircraft: moving it forward would throw it off the Earth, so the tools that extrapolate or
// write records refuse it. The limits are generous enough for any aircraft in civil airspace.
#pragma once

#include "traffic/Units.h"

#include <cmath>

inline constexpr char kFlightLimitsRevision[] =
    "%Z% FlightLimits QX2122:01 FlightLimits.h $Revision: 1.1 $";

namespace flight_limits {

using units::kMetresPerSecondPerFootPerMinute;
using units::kMetresPerSecondPerKnot;

// 2000 kt over ground: beyond any airliner or military jet in civil airspace.
inline constexpr double kMaxGroundSpeed = 2000.0 * kMetresPerSecondPerKnot; // m/s
// 30 000 ft/min up or down: beyond any aircraft's sustained climb or descent.
inline constexpr double kMaxVerticalRate = 30000.0 * kMetresPerSecondPerFootPerMinute; // m/s
// Heights above the ellipsoid: the Dead Sea shore to well above any aircraft's ceiling.
inline constexpr double kMinHeight = -1500.0; // m
inline constexpr double kMaxHeight = 60000.0; // m

inline bool IsFlyableGroundSpeed(double metresPerSecond) {
    return std::isfinite(metresPerSecond) && std::fabs(metresPerSecond) <= kMaxGroundSpeed;
}
inline bool IsFlyableVerticalRate(double metresPerSecond) {
    return std::isfinite(metresPerSecond) && std::fabs(metresPerSecond) <= kMaxVerticalRate;
}
inline bool IsFlyableHeight(double metres) {
    return std::isfinite(metres) && metres >= kMinHeight && metres <= kMaxHeight;
}

} // namespace flight_limits
