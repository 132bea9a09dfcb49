// Whether a recorded aircraft stands on the ground, and how high that ground is: how parked and
// taxiing traffic is placed on a simulator's airports. An aircraft stands on the ground when,
// within 5 km of an airport, it moves slower than 50 kt and its height is missing or lies within
// 100 ft of the ground there (or below it: a record under the ground is of an aircraft on it).
// The ground's height is the simulator's own terrain where that is known, else the airport's
// field elevation.
#pragma once

#include "aviation/Airports.h"
#include "traffic/Units.h"

#include <optional>

inline constexpr double kGroundAirportMetres = 5000.0;
inline constexpr double kGroundSpeedBelow = 50.0 * units::kMetresPerSecondPerKnot; // m/s
inline constexpr double kGroundHeightWithin = 100.0 * units::kMetresPerFoot;       // metres

// What a record says of an aircraft near the ground.
struct GroundReport {
    double latitude;
    double longitude;
    std::optional<double> height; // metres above mean sea level; none when the record has none
    double groundSpeed;           // m/s
};

// The airport whose ground an aircraft at a point may stand on: the nearest land airport whose
// reference point lies within 5 km, else the nearest heliport or seaplane base there (a
// heliport on a roof beside a field must not lift the field's traffic to its roof); none
// further away.
const Airport* GroundAirport(const AirportIndex& airports, double latitude, double longitude);

// Near an airport and slow enough to stand on its ground, whatever its height: the aircraft
// whose ground is worth knowing.
bool MayStandOnGround(const GroundReport& report, const Airport* airport);

// The ground's height near `airport`: the terrain's where it is known, else the field elevation.
double GroundHeight(const Airport& airport, std::optional<double> terrain);

// Stands on the ground of `airport`, which is `ground` metres above sea level where it is.
bool IsOnGround(const GroundReport& report, const Airport* airport, double ground);
