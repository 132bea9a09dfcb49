#include "tools/sim/OwnShipRoute.h"

#include "config_control/ConfigControl.h"

#include <cmath>

namespace {
const char kRevision[] = "%Z% CorvaneSim QX5001:02 OwnShipRoute.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Corvane Sim", {kOwnShipRouteHeaderRevision, kRevision});
}

constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDegree = 111195.0;
constexpr double kMetresPerNm = 1852.0;
constexpr double kMetresPerSecondPerKt = kMetresPerNm / 3600.0;

double Radians(double degrees) {
    return degrees * kPi / 180.0;
}

double NormalisedTrack(double degrees) {
    const double track = std::fmod(degrees, 360.0);
    return track < 0 ? track + 360.0 : track;
}

// Moves a point by metres east and north.
OwnShipFix Offset(double latitude, double longitude, double east, double north, double track) {
    const double metresPerDegreeEast = kMetresPerDegree * std::cos(Radians(latitude));
    return {latitude + north / kMetresPerDegree, longitude + east / metresPerDegreeEast,
            NormalisedTrack(track)};
}
} // namespace

OwnShipRoute OwnShipRoute::Loop(double latitude, double longitude, double radiusNm,
                                double speedKt) {
    OwnShipRoute route;
    route.kind = Kind::Loop;
    route.startLatitude = latitude;
    route.startLongitude = longitude;
    route.radiusMetres = radiusNm * kMetresPerNm;
    route.speedMetresPerSecond = speedKt * kMetresPerSecondPerKt;
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
    route.trackDegrees = NormalisedTrack(trackDegrees);
    route.speedMetresPerSecond = speedKt * kMetresPerSecondPerKt;
    return route;
}

OwnShipFix OwnShipRoute::At(double seconds) const {
    RegisterModule();
    switch (kind) {
    case Kind::Loop: {
        if (radiusMetres <= 0) {
            return {startLatitude, startLongitude, trackDegrees};
        }
        const double angle = speedMetresPerSecond * seconds / radiusMetres;
        const double east = radiusMetres * std::sin(angle);
        const double north = radiusMetres * (1.0 - std::cos(angle));
        return Offset(startLatitude, startLongitude, east, north, 90.0 - angle * 180.0 / kPi);
    }
    case Kind::Leg: {
        const double distance = speedMetresPerSecond * seconds;
        return Offset(startLatitude, startLongitude, distance * std::sin(Radians(trackDegrees)),
                      distance * std::cos(Radians(trackDegrees)), trackDegrees);
    }
    case Kind::Fixed:
        break;
    }
    return {startLatitude, startLongitude, trackDegrees};
}
