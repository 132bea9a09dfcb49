#pragma once
// Whether one aircraft of the traffic stands on FlightGear's ground, and how high that ground is
// under it: the rule of aviation/GroundContact, with FlightGear's own terrain where its property
// server tells it (asked once per aircraft and again once the aircraft has moved 100 m; every
// half minute where FlightGear has no scenery loaded there yet), else the field elevation.

#include "aviation/GroundContact.h"
#include "tools/fg/TerrainSource.h"

#include <cstdint>
#include <optional>

// The ground is asked again under an aircraft that has moved this far from where it was asked.
inline constexpr double kTerrainAskAgainMetres = 100.0;
// Further than this from where it was asked, the answer is not used while a new one is awaited.
inline constexpr double kTerrainKeptMetres = 500.0;
// Where FlightGear had no scenery loaded, it is asked again this often: it loads the scenery
// around its own aircraft as that flies.
inline constexpr double kNoSceneryAskAgainSeconds = 30.0;

class TrafficGround {
public:
    // What a new record says, near `airport` (none: no field within reach): decided anew.
    void Take(const GroundReport& report, const Airport* airport);
    // The aircraft is shown at `at` now: FlightGear is asked for the ground there when that is
    // due, and an answer from too far away is no longer used. A landing's ground is asked
    // whatever its speed, `at` its touchdown point.
    void AskWhenDue(const GeodeticPosition& at, double now, TerrainSource& source,
                    bool landing = false);
    // An answer for this aircraft's question: taken, and decided anew. False when the answer is
    // for another one.
    bool TakeAnswer(const TerrainAnswer& answer, double now);

    bool OnGround() const { return onGround; }
    // The ground's height under the aircraft, metres above sea level (with OnGround).
    double Height() const { return height; }
    // FlightGear's terrain is what the height stands on (not the field elevation).
    bool OnTerrain() const { return terrain.has_value(); }
    // FlightGear's terrain at a point, where it answered within kTerrainKeptMetres of it.
    std::optional<double> TerrainNear(double latitude, double longitude) const;

private:
    void Decide();

    GroundReport report{};
    const Airport* airport = nullptr;
    bool onGround = false;
    double height = 0;
    // FlightGear's answer, and where it was asked; the question on its way.
    std::optional<double> terrain;
    bool answered = false;
    double answerLatitude = 0;
    double answerLongitude = 0;
    double askAgainAt = 0;
    std::int64_t ticket = 0;
    double askedLatitude = 0;
    double askedLongitude = 0;
};
