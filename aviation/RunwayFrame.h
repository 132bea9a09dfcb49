#pragma once
// One runway end as an aircraft landing on it, or taking off from it, sees the runway: a flat
// frame at its threshold, along the runway towards the far end, across to the right of the
// centre line and up from the runway's ground.

#include "aviation/Airports.h"
#include "aviation/Geodesy.h"

struct RunwayFrame {
    GeodeticPosition threshold; // height: the runway's ground, metres above sea level
    double heading;             // degrees true, towards the far end
    double length;              // metres from the threshold to the far end of the surface
    double behind;              // metres of surface before the threshold (displaced)
    double width;               // metres
    double cosine;              // of the heading
    double sine;
};

struct RunwayPoint {
    double along;  // metres past the threshold (negative: before it)
    double across; // metres right of the extended centre line
    double up;     // metres above the runway's ground
};

RunwayFrame FrameOf(const Runway& runway, int end, double groundHeight);
RunwayPoint PointOf(const RunwayFrame& frame, const GeodeticPosition& position);
GeodeticPosition PositionOf(const RunwayFrame& frame, const RunwayPoint& point);

// Degrees from `heading` to `track`, -180 to 180, right positive.
double AngleOff(double track, double heading);

// An aircraft this far off the edge of a runway still counts as on it: positions on the ground
// are a few metres off.
inline constexpr double kRunwayEdgeMargin = 10.0; // metres
// ... and lined up with it when its track is within this of the runway's heading.
inline constexpr double kLinedUpDegrees = 15.0;

// Over the runway's surface (and its margin), whatever the height.
bool IsOverRunway(const RunwayFrame& frame, const RunwayPoint& point);

struct RunwayEndRef {
    const Runway* runway = nullptr;
    int end = 0;
};
// The runway end whose surface the aircraft at `position` is over, lined up with it along
// `track`; false when there is none.
bool RunwayUnder(const AirportIndex& airports, const GeodeticPosition& position, double track,
                 RunwayEndRef& found);
