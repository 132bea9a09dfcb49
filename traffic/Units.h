// The units that positions, heights and speeds are converted between, written once for the
// feeder and every tool.
#pragma once

#include <numbers>

namespace units {

inline constexpr double kPi = std::numbers::pi;
inline constexpr double kRadiansPerDegree = kPi / 180.0;
inline constexpr double kDegreesPerRadian = 180.0 / kPi;

inline constexpr double kMetresPerFoot = 0.3048;
inline constexpr double kMetresPerNauticalMile = 1852.0;
inline constexpr double kMetresPerSecondPerKnot = kMetresPerNauticalMile / 3600.0;
inline constexpr double kMetresPerSecondPerFootPerMinute = kMetresPerFoot / 60.0;

} // namespace units
