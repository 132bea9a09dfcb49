#pragma once
// Honolulu's runways as FlightGear's airport data has them, and fixes placed in a runway's
// frame, for the tests of what traffic does at an airport.

#include "aviation/Airports.h"
#include "aviation/RunwayFrame.h"
#include "aviation/TrafficTrack.h"
#include "aviation/tests/AirportFixtures.h"
#include "traffic/Units.h"

#include <cmath>
#include <memory>
#include <string>

inline constexpr double kFoot = units::kMetresPerFoot;
inline constexpr double kKnot = units::kMetresPerSecondPerKnot;
inline constexpr double kNm = units::kMetresPerNauticalMile;
inline constexpr double kHonoluluElevation = 13 * kFoot;

// Honolulu alone, on the heap: the index is large enough to be passed around by pointer.
inline std::unique_ptr<AirportIndex> HonoluluAlone() {
    auto index = std::make_unique<AirportIndex>();
    index->AddAirport("PHNL", 13, AirportKind::Land);
    index->AddRunway(
        MakeRunway("08L", 21.325247, -157.943233, 0, "26R", 21.325244, -157.907094, 0));
    index->AddRunway(
        MakeRunway("08R", 21.306803, -157.945850, 0, "26L", 21.306800, -157.910597, 0, 60.96));
    index->AddRunway(
        MakeRunway("04R", 21.313917, -157.927136, 0, "22L", 21.328822, -157.906011, 0));
    index->AddRunway(
        MakeRunway("04L", 21.318331, -157.923319, 0, "22R", 21.329847, -157.907006, 0));
    index->Finish();
    return index;
}

// The runway end `name` of the index's first airport, in its frame at the field's elevation.
inline RunwayEndRef EndNamed(const AirportIndex& index, const char* name) {
    for (const Runway& runway : index.RunwaysOf(index.Airports()[0])) {
        for (int end = 0; end < 2; ++end) {
            if (std::string(runway.ends[end].name) == name) {
                return {&runway, end};
            }
        }
    }
    return {};
}

inline RunwayFrame FrameNamed(const AirportIndex& index, const char* name) {
    const RunwayEndRef end = EndNamed(index, name);
    return FrameOf(*end.runway, end.end, kHonoluluElevation);
}

// A fix at `point` of the frame, its track `off` degrees right of the runway's heading.
inline TrafficFix FixIn(const RunwayFrame& frame, const RunwayPoint& point, double speed,
                        double verticalRate, double off = 0) {
    return {PositionOf(frame, point), std::fmod(frame.heading + off + 360, 360), speed,
            verticalRate};
}
