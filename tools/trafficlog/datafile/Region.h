// The part of the world a recording keeps: a circle (--around LAT,LON,RADIUS_NM), a box
// (--box S,W,N,E, which may cross the 180th meridian: W > E), or both at once. Its centre is
// where the nearest aircraft are taken from when a snapshot holds more than an entry may.
#pragma once

#include "traffic/Units.h"

#include <cstdint>

struct GeoPoint {
    double latitude = 0;
    double longitude = 0;
};

// A point on the unit sphere; the straight-line distance between two of them orders points by
// their distance along the Earth's surface, without a trigonometric call per comparison.
struct UnitVector {
    double x = 0;
    double y = 0;
    double z = 0;
};

UnitVector ToUnitVector(double latitude, double longitude);
double ChordSquared(const UnitVector& a, const UnitVector& b);
// The point that the sum of unit vectors points at (their mean position); 0, 0 for a zero sum.
GeoPoint PointOf(const UnitVector& sum);

class Region {
public:
    // The mean Earth radius; half its circumference is a radius that reaches every point.
    static constexpr double kEarthRadiusNm = 3440.065;
    static constexpr double kLargestRadiusNm = units::kPi * kEarthRadiusNm;

    // Degrees within their ranges, a radius above 0 up to kLargestRadiusNm, a box's south not
    // north of its north: the command line sees to that.
    void SetAround(double latitude, double longitude, double radius);
    void SetBox(double southEdge, double westEdge, double northEdge, double eastEdge);

    bool IsSet() const { return hasCircle || hasBox; }
    bool Contains(double latitude, double longitude) const;
    // The circle's centre, else the box's, when either is set.
    GeoPoint Centre() const;

private:
    bool hasCircle = false;
    GeoPoint circleCentre;
    double radiusNm = 0;
    UnitVector circleVector;
    double maxChordSquared = 0;
    bool hasBox = false;
    double south = 0, west = 0, north = 0, east = 0;
};
