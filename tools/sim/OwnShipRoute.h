// Where the stand-in's own-ship is at a given time since the start: a loop, a fixed point or a
// straight leg, flown at constant speed over a flat-earth approximation (good over the few
// hundred kilometres a trial covers).
#pragma once

inline constexpr char kOwnShipRouteHeaderRevision[] =
    "%Z% CorvaneSim QX5001:01 OwnShipRoute.h $Revision: 1.1 $";

// Where the feeder seeds the own-ship: the default start of every route.
inline constexpr double kDefaultOwnLatitude = 50.45;
inline constexpr double kDefaultOwnLongitude = 0.01;
inline constexpr double kDefaultLoopRadiusNm = 15.0;
inline constexpr double kDefaultSpeedKt = 250.0;

struct OwnShipFix {
    double latitude;  // degrees
    double longitude; // degrees
    double track;     // degrees true, 0 to 360
};

class OwnShipRoute {
public:
    // Anticlockwise circle whose southernmost point is the start, left heading east.
    static OwnShipRoute Loop(double latitude, double longitude, double radiusNm, double speedKt);
    static OwnShipRoute Fixed(double latitude, double longitude);
    static OwnShipRoute Leg(double latitude, double longitude, double trackDegrees, double speedKt);

    OwnShipFix At(double seconds) const;

private:
    enum class Kind { Loop, Fixed, Leg };

    Kind kind = Kind::Fixed;
    double startLatitude = kDefaultOwnLatitude;
    double startLongitude = kDefaultOwnLongitude;
    double radiusMetres = 0;
    double speedMetresPerSecond = 0;
    double trackDegrees = 0;
};
