// Where the stand-in's own-ship is at a given time since the start: a loop, a fixed point or a
// leg, flown at constant speed on a spherical earth. Every position is a valid one: a leg that
// crosses a pole comes down the other side, and longitudes wrap into -180 to 180.
#pragma once

// Where the feeder seeds the own-ship: the default start of every route.
inline constexpr double kDefaultOwnLatitude = 50.45;
inline constexpr double kDefaultOwnLongitude = 0.01;
inline constexpr double kDefaultLoopRadiusNm = 15.0;
inline constexpr double kDefaultSpeedKt = 250.0;

// What a route accepts: anything faster or wider is no aircraft a simulator would fly.
inline constexpr double kMaxSpeedKt = 2000.0;
inline constexpr double kMaxLoopRadiusNm = 1000.0;

struct OwnShipFix {
    double latitude;  // degrees, -90 to 90
    double longitude; // degrees, -180 to 180
    double track;     // degrees true, 0 to 360
};

class OwnShipRoute {
public:
    // Anticlockwise circle whose southernmost point is the start, left heading east.
    static OwnShipRoute Loop(double latitude, double longitude, double radiusNm, double speedKt);
    static OwnShipRoute Fixed(double latitude, double longitude);
    // A great circle leaving the start on the given track.
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
