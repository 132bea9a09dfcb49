// The units that positions, heights and speeds are converted between, written once for the
// feeder and every tool.
#pragma once

#include <cmath>
#include <numbers>

namespace units {

inline constexpr double kPi = std::numbers::pi;
inline constexpr double kRadiansPerDegree = kPi / 180.0;
inline constexpr double kDegreesPerRadian = 180.0 / kPi;

inline constexpr double kMetresPerFoot = 0.3048;
inline constexpr double kMetresPerNauticalMile = 1852.0;
inline constexpr double kMetresPerSecondPerKnot = kMetresPerNauticalMile / 3600.0;
inline constexpr double kMetresPerSecondPerFootPerMinute = kMetresPerFoot / 60.0;

// A direction in degrees as a bearing from 0 up to, not including, 360: 720 or -90 is a direction
// all the same. One a hair below zero comes to 360 itself when a turn is added, and is north; so
// is minus zero, which a file would write as "-0.0".
inline double Bearing(double degrees) {
    const double bearing = std::fmod(degrees, 360.0);
    if (bearing < 0) {
        const double turned = bearing + 360.0;
        return turned < 360.0 ? turned : 0.0;
    }
    return bearing == 0.0 ? 0.0 : bearing;
}

} // namespace units
