#include "tools/trafficlog/datafile/Region.h"

#include <cmath>

namespace {
using units::kRadiansPerDegree;
} // namespace

UnitVector ToUnitVector(double latitude, double longitude) {
    const double phi = latitude * kRadiansPerDegree;
    const double lambda = longitude * kRadiansPerDegree;
    const double c = std::cos(phi);
    return {c * std::cos(lambda), c * std::sin(lambda), std::sin(phi)};
}

double ChordSquared(const UnitVector& a, const UnitVector& b) {
    const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return dx * dx + dy * dy + dz * dz;
}

GeoPoint PointOf(const UnitVector& sum) {
    const double horizontal = std::hypot(sum.x, sum.y);
    if (horizontal == 0 && sum.z == 0) {
        return {};
    }
    return {std::atan2(sum.z, horizontal) / kRadiansPerDegree,
            horizontal == 0 ? 0 : std::atan2(sum.y, sum.x) / kRadiansPerDegree};
}

void Region::SetAround(double latitude, double longitude, double radius) {
    hasCircle = true;
    circleCentre = {latitude, longitude};
    radiusNm = radius;
    circleVector = ToUnitVector(latitude, longitude);
    const double chord = 2.0 * std::sin(radiusNm / kEarthRadiusNm / 2.0);
    maxChordSquared = chord * chord;
}

void Region::SetBox(double southEdge, double westEdge, double northEdge, double eastEdge) {
    hasBox = true;
    south = southEdge;
    west = westEdge;
    north = northEdge;
    east = eastEdge;
}

bool Region::Contains(double latitude, double longitude) const {
    if (hasBox) {
        if (latitude < south || latitude > north) {
            return false;
        }
        const bool inLongitude = west <= east ? longitude >= west && longitude <= east
                                              : longitude >= west || longitude <= east;
        if (!inLongitude) {
            return false;
        }
    }
    return !hasCircle ||
           ChordSquared(circleVector, ToUnitVector(latitude, longitude)) <= maxChordSquared;
}

GeoPoint Region::Centre() const {
    if (hasCircle) {
        return circleCentre;
    }
    // The middle of a box that crosses the 180th meridian lies across it too.
    double middle = (west + east) / 2.0;
    if (west > east) {
        middle += middle > 0 ? -180.0 : 180.0;
    }
    return {(south + north) / 2.0, middle};
}
