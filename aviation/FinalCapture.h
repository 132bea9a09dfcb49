#pragma once
// Which runway an aircraft is on final for: descending within 10 NM of a threshold, within 15°
// of the runway's heading and within 0.5 NM of its extended centre line, below 3000 ft above the
// field.

#include "aviation/RunwayFrame.h"
#include "aviation/TrafficTrack.h"
#include "traffic/Units.h"

inline constexpr double kFinalRange = 10 * units::kMetresPerNauticalMile;
inline constexpr double kFinalDegrees = 15.0;
inline constexpr double kFinalOffset = 0.5 * units::kMetresPerNauticalMile;
inline constexpr double kFinalHeight = 3000 * units::kMetresPerFoot; // above the field
// Slower descents are level flight with the noise of the records.
inline constexpr double kFinalLeastDescent = 100 * units::kMetresPerSecondPerFootPerMinute;

// The runway end `fix` is on final for, the one nearest its centre line when several are; false
// when there is none.
bool CaptureFinal(const AirportIndex& airports, const TrafficFix& fix, RunwayEndRef& captured);
// Whether `fix` is on final for the given runway end, whose field lies `elevation` metres above
// sea level.
bool IsOnFinal(const Runway& runway, int end, double elevation, const TrafficFix& fix);
