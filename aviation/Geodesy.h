#pragma once
// Positions on the WGS-84 ellipsoid: geodetic latitude, longitude and height against the
// earth-centred, earth-fixed frame, and small moves over the ellipsoid for dead reckoning.

#include "traffic/Units.h"

inline constexpr double kWgs84SemiMajorAxis = 6378137.0;        // metres
inline constexpr double kWgs84Flattening = 1.0 / 298.257223563; //
inline constexpr double kWgs84Eccentricity2 = kWgs84Flattening * (2.0 - kWgs84Flattening);
// Short names for the conversions that the formulas here and their callers are full of.
inline constexpr double kDegrees = units::kDegreesPerRadian;
inline constexpr double kRadians = units::kRadiansPerDegree;

struct GeodeticPosition {
    double latitude;  // degrees, north positive
    double longitude; // degrees, east positive
    double height;    // metres above the ellipsoid
};

struct EarthFixed {
    double x; // metres, towards 0 N 0 E
    double y; // metres, towards 0 N 90 E
    double z; // metres, towards the north pole
};

// A displacement in the local level frame of a position, in metres.
struct LocalOffset {
    double north;
    double east;
    double up;
};

EarthFixed ToEarthFixed(const GeodeticPosition& position);
// Exact in closed form (Vermeille's method) for any point more than a few hundred kilometres
// from the earth's centre; nearer to it the result is not defined.
GeodeticPosition ToGeodetic(const EarthFixed& point);

// `position` moved by `offset`, measured along the ellipsoid's radii of curvature at the start:
// within a metre over the few kilometres an aircraft flies between two fixes. The longitude is
// kept within -180 to 180 and the latitude within -90 to 90.
GeodeticPosition Displaced(const GeodeticPosition& position, const LocalOffset& offset);
// The offset that takes `from` to `to`, in the same approximation.
LocalOffset OffsetBetween(const GeodeticPosition& from, const GeodeticPosition& to);
