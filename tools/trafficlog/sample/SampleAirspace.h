// The airspace the sample recording is made of: real airports and route points of southern
// England and northern France, and the routes flown between them, with the operators that fly
// them. Data only; SampleGenerator turns it into flights.
#pragma once

#include <cstdint>
#include <span>

// An airport or route point of the sample airspace, by name (a bare position is Region.h's
// GeoPoint).
struct SamplePoint {
    const char* name;
    double latitude;  // degrees
    double longitude; // degrees
    double elevation; // metres above mean sea level
};

enum class AircraftClass { Jet, Turboprop, Light };

struct Operator {
    const char* callsignPrefix; // ICAO telephony designator, or a registration country prefix
    std::uint32_t addressBase;  // first 24-bit address of the operator's country block
    std::uint32_t addressSpan;  // size of the block used
    bool registrationCallsign;  // light aircraft fly under their registration
};

struct SampleRoute {
    const char* points; // space-separated names: departure, route points, destination
    AircraftClass kind;
    double cruiseAltitude; // metres
    const char* operators; // space-separated callsign prefixes
    int weight;            // relative frequency
};

std::span<const SamplePoint> SamplePoints();
std::span<const Operator> SampleOperators();
std::span<const SampleRoute> SampleRoutes();

// Null when the name is not in the tables.
const SamplePoint* FindSamplePoint(const char* name);
const Operator* FindSampleOperator(const char* prefix);

// The area the sample recording covers, like the box of a recorded download.
inline constexpr double kSampleSouth = 48.6;
inline constexpr double kSampleNorth = 52.0;
inline constexpr double kSampleWest = -2.4;
inline constexpr double kSampleEast = 3.2;
