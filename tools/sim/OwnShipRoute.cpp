#include "tools/sim/OwnShipRoute.h"

#include "traffic/Units.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kMetresPerDegree = 111195.0;
constexpr double kEarthRadiusMetres = kMetresPerDegree * units::kDegreesPerRadian;

double Radians(double degrees) {
    return degrees * units::kRadiansPerDegree;
}

double Degrees(double radians) {
    return radians * units::kDegreesPerRadian;
}

double WrappedLongitude(double degrees) {
    const double longitude = std::fmod(degrees + 180.0, 360.0);
    return (longitude < 0 ? longitude + 360.0 : longitude) - 180.0;
}

// A point on the sphere with the direction of travel there, all in radians.
struct Course {
    double latitude;
    double longitude;
    double track;
};

// Where a great circle that leaves `from` on `from.track` is after `angle` radians of arc, and
// its direction there. Whole turns are taken off first, so that hours of flight at any speed
// keep their precision.
Course AlongGreatCircle(const Course& from, double angle) {
    const double arc = std::fmod(angle, 2 * units::kPi);
    const double sinLatitude = std::sin(from.latitude) * std::cos(arc) +
                               std::cos(from.latitude) * std::sin(arc) * std::cos(from.track);
    const double latitude = std::asin(std::clamp(sinLatitude, -1.0, 1.0));
    const double east = std::sin(from.track) * std::sin(arc) * std::cos(from.latitude);
    const double north = std::cos(arc) - std::sin(from.latitude) * sinLatitude;
    const double track = std::atan2(std::sin(from.track) * std::cos(from.latitude),
                                    std::cos(arc) * std::cos(from.latitude) * std::cos(from.track) -
                                        std::sin(from.latitude) * std::sin(arc));
    return {latitude, from.longitude + std::atan2(east, north), track};
}

// Direction from `from` towards `to` at `from`, radians.
double InitialBearing(const Course& from, const Course& to) {
    const double difference = to.longitude - from.longitude;
    return std::atan2(std::sin(difference) * std::cos(to.latitude),
                      std::cos(from.latitude) * std::sin(to.latitude) -
                          std::sin(from.latitude) * std::cos(to.latitude) * std::cos(difference));
}

OwnShipFix Fix(const Course& course) {
    return {std::clamp(Degrees(course.latitude), -90.0, 90.0),
            WrappedLongitude(Degrees(course.longitude)), units::Bearing(Degrees(course.track))};
}
} // namespace

OwnShipRoute OwnShipRoute::Loop(double latitude, double longitude, double radiusNm,
                                double speedKt) {
    OwnShipRoute route;
    route.kind = Kind::Loop;
    route.startLatitude = latitude;
    route.startLongitude = longitude;
    route.radiusMetres = radiusNm * units::kMetresPerNauticalMile;
    route.speedMetresPerSecond = speedKt * units::kMetresPerSecondPerKnot;
    route.trackDegrees = 90.0;
    return route;
}

OwnShipRoute OwnShipRoute::Fixed(double latitude, double longitude) {
    OwnShipRoute route;
    route.startLatitude = latitude;
    route.startLongitude = longitude;
    return route;
}

OwnShipRoute OwnShipRoute::Leg(double latitude, double longitude, double trackDegrees,
                               double speedKt) {
    OwnShipRoute route;
    route.kind = Kind::Leg;
    route.startLatitude = latitude;
    route.startLongitude = longitude;
    route.trackDegrees = units::Bearing(trackDegrees);
    route.speedMetresPerSecond = speedKt * units::kMetresPerSecondPerKnot;
    return route;
}

OwnShipFix OwnShipRoute::At(double seconds) const {
    // Arc flown, in radians of the earth (a leg) or of the circle (a loop); a product too big to
    // hold means no position at all, so the start stands in for it.
    const double radius = radiusMetres / kEarthRadiusMetres;
    const double arc =
        speedMetresPerSecond * seconds / (kind == Kind::Loop ? radiusMetres : kEarthRadiusMetres);
    if (kind == Kind::Fixed || arc == 0 || !std::isfinite(arc) ||
        (kind == Kind::Loop && radiusMetres <= 0)) {
        return {startLatitude, startLongitude, trackDegrees};
    }
    const Course start{Radians(startLatitude), Radians(startLongitude), Radians(trackDegrees)};
    if (kind == Kind::Leg) {
        return Fix(AlongGreatCircle(start, arc));
    }
    // The circle's centre lies due north of the start (beyond the pole for a wide loop near
    // it); the own-ship keeps the radius from it, turning left, so its track is the direction
    // away from the centre less a right angle.
    Course centre = AlongGreatCircle({start.latitude, start.longitude, 0.0}, radius);
    centre.track = InitialBearing(centre, start) - std::fmod(arc, 2 * units::kPi);
    Course position = AlongGreatCircle(centre, radius);
    position.track -= units::kPi / 2;
    return Fix(position);
}
