// The world's airports as a simulator knows them: each airport's code, field elevation and
// reference point, and its land runways with both ends and their displaced thresholds. Built
// once from the simulator's airport data (or from a saved copy of the index), then asked where
// the nearest field is, which runways lie near a point and where a point lies against a runway.
#pragma once

#include "aviation/Geodesy.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

inline constexpr int kAirportCodeSize = 8; // codes of up to seven characters
inline constexpr int kRunwayNameSize = 4;  // "08L"
// No runway is near this long or wide: a width or a displaced threshold beyond it is no runway's.
inline constexpr double kMaxRunwayMetres = 20000.0;

enum class AirportKind : std::uint8_t { Land, Seaplane, Heliport };

struct RunwayEnd {
    char name[kRunwayNameSize];
    double latitude; // the end of the runway's surface, degrees
    double longitude;
    float displacedThreshold; // metres from the end to the threshold, along the runway
};

struct Runway {
    RunwayEnd ends[2];
    float width; // metres
    std::int32_t airport;
};

struct Airport {
    char code[kAirportCodeSize];
    double latitude; // the middle of its runways, water runways or helipads; NaN without any
    double longitude;
    float elevation; // the field elevation, metres above mean sea level
    AirportKind kind;
    std::int32_t firstRunway;
    std::int32_t runwayCount;
};

// A point seen from one end of a runway, as an aircraft landing from that end sees it.
struct RunwayPlace {
    double along;  // metres past the threshold along the runway (negative: before it)
    double across; // metres right of the extended centre line
};

class AirportIndex {
public:
    // Building, in the order of the airport data: an airport, then its runways and the other
    // points that place it (water runways, helipads). Finish makes the index ready to ask.
    void AddAirport(const char* code, double elevationFeet, AirportKind kind);
    void AddRunway(const Runway& runway);
    void AddPlace(double latitude, double longitude);
    void Finish();

    // A threshold that the scenery knows better than the airport data: the runway end `name`
    // of the airport `code`. False when there is no such runway end.
    bool OverrideThreshold(const char* code, const char* name, double latitude, double longitude,
                           double displacedThreshold);

    std::size_t AirportCount() const { return airports.size(); }
    std::size_t RunwayCount() const { return runways.size(); }
    std::span<const Airport> Airports() const { return airports; }
    std::span<const Runway> RunwaysOf(const Airport& airport) const;
    const Airport& AirportOf(const Runway& runway) const { return airports[runway.airport]; }

    // The airport whose reference point is nearest, if one lies within `metres`; of `kind`
    // alone when one is given.
    const Airport* Nearest(double latitude, double longitude, double metres,
                           std::optional<AirportKind> kind = std::nullopt) const;
    // The land runways with a threshold within `metres` of the point, into `out`; how many
    // there are (more than fit are counted, not written).
    int RunwaysNear(double latitude, double longitude, double metres,
                    std::span<const Runway*> out) const;

    // The index as bytes for a cache file, and back. `stamp` names the data it was built from;
    // Restore refuses bytes of another stamp, another layout or a broken copy.
    std::vector<std::uint8_t> Save(const std::string& stamp) const;
    bool Restore(std::span<const std::uint8_t> bytes, const std::string& stamp);

private:
    bool Consistent() const;

    std::vector<Airport> airports;
    std::vector<Runway> runways;
    std::vector<std::int32_t> byLatitude; // airport indexes in the order of their latitude
    // The reference point being gathered for the airport added last.
    double latitudeSum = 0;
    double longitudeSum = 0;
    double longitudeOrigin = 0;
    int places = 0;
};

// The threshold of a runway end: its end moved along the runway by the displaced length, at the
// field's elevation.
GeodeticPosition ThresholdOf(const Runway& runway, int end, double elevation);
// The true heading from an end towards the other, degrees 0 to 360.
double HeadingOf(const Runway& runway, int end);
// The length of the surface between the two ends, metres.
double LengthOf(const Runway& runway);
// Where a point lies against the extended centre line, seen from the threshold of `end`.
RunwayPlace PlaceOnRunway(const Runway& runway, int end, double latitude, double longitude);
