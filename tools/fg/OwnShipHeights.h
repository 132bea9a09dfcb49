#pragma once
// The own-ship's heights as the traffic-alert logic wants them: its pressure altitude and its
// height above the ground. From FlightGear's property server when it is offered (its altimeter's
// pressure altitude and its height above the terrain, read now and then and carried between
// reads as offsets from FlightGear's altitude); otherwise the altitude, which is the pressure
// altitude in FlightGear's standard atmosphere, and the height above the nearest airport.

#include "aviation/Airports.h"
#include "aviation/Geodesy.h"

#include <cmath>
#include <optional>

// What FlightGear's property server last said of the own-ship (metres): none of a value until
// it is read.
struct FgOwnReadings {
    std::optional<double> pressureAltitude; // /instrumentation/altimeter/pressure-alt-ft
    std::optional<double> aboveGround;      // /position/altitude-agl-ft
    double height = 0;                      // the own-ship's altitude when they were read
    double at = -INFINITY;                  // when they were read, seconds of the bridge's clock
};

// Readings older than this (seconds) are a server that stopped answering: the own-ship has
// moved on over other ground, and the airports stand in again.
inline constexpr double kOwnReadingsLifetime = 5.0;
// The nearest airport gives the ground within this distance (metres, 10 NM).
inline constexpr double kAirportGroundReach = 10 * 1852.0;

struct OwnShipHeights {
    double pressureAltitude; // metres
    std::optional<double> aboveGround;
};

// The heights of the own-ship at `own` (FlightGear's position, its height above sea level) at
// `now`.
OwnShipHeights HeightsOf(const GeodeticPosition& own, const FgOwnReadings& readings,
                         const AirportIndex* airports, double now);
