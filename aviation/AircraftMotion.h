#pragma once
// One recorded aircraft as it is shown between its fixes, at airports too. Away from them it is
// dead-reckoned from its last fix (TrafficTrack). Near one, its phase of flight decides: on final
// it flies the runway's centre line and a 3° glide path towards the touchdown, and when its
// records stop there it lands, rolls out, stops and is removed 30 s later; on a take-off roll it
// keeps to the centre line, lifts off at its class's speed and climbs on the runway's heading;
// taxiing, it keeps to the taxiway it is on; parked, it points as its parking does. A new fix,
// or a change from one of these to another, is blended in from where the aircraft was shown,
// never faster than kPullSpeed.

#include "aviation/AircraftConfiguration.h"
#include "aviation/Airports.h"
#include "aviation/Attitude.h"
#include "aviation/FlightPhase.h"
#include "aviation/GroundNetwork.h"
#include "aviation/RunwayPath.h"
#include "aviation/TrafficTrack.h"

#include <optional>

// The ground's height where an aircraft is, as the simulator has it.
class GroundHeights {
public:
    // Metres above sea level at the point; `fallback` (the field's elevation) where it is not
    // known.
    virtual double HeightAt(double latitude, double longitude, double fallback) const = 0;

protected:
    ~GroundHeights() = default;
};

// What the caller knows of an aircraft and its surroundings at a fix.
struct MotionContext {
    const AirportIndex* airports = nullptr; // none: it is dead-reckoned everywhere
    const GroundNetwork* network = nullptr; // of the field it is at; none: it keeps to its fixes
    const GroundHeights* ground = nullptr;  // none: the field's elevation
    FlightClass kind = FlightClass::Jet;
    bool onGround = false;   // as its record, or the caller, judges it
    bool heightKnown = true; // false: its record gave no height
};

// Fields whose reference point lies within this count for the height above the field.
inline constexpr double kFieldRange = 20 * units::kMetresPerNauticalMile;
// An aircraft lined up on a runway this low over it, and not climbing or sinking, is rolling.
inline constexpr double kRollingHeight = 25 * units::kMetresPerFoot;
// A landing aircraft whose records have stopped is removed this long after it has stopped.
inline constexpr double kRemoveAfterStopSeconds = 30.0;
// A new fix or path pulls the shown aircraft towards it no faster than this: about 5 m in each
// tenth of a second, on top of its own motion.
inline constexpr double kPullSpeed = 50.0; // m/s

struct ShownAircraft {
    GeodeticPosition position;
    EulerAngles attitude;
    double groundSpeed;  // m/s
    double verticalRate; // m/s, climbing positive
    FlightPhase phase;
    Configuration configuration;
};

class AircraftMotion {
public:
    // The aircraft is shown from its first fix at once.
    void Start(const TrafficFix& fix, double fixTime, const MotionContext& context);
    // A new fix, taken at `now`, that holds the aircraft as it was at `fixTime`.
    void Update(const TrafficFix& fix, double fixTime, double now, const MotionContext& context);
    // No record came for the aircraft at `now`. Whether it is still shown: only a landing goes on
    // without its records, until kRemoveAfterStopSeconds after it has stopped.
    bool WithoutRecords(double now);
    // When a landing whose records have stopped is to be removed; never for any other.
    double GoneAt() const;
    ShownAircraft At(double now) const;

    // The phase judged at the last fix, and whether the aircraft is landing with its records
    // stopped.
    FlightPhase Phase() const { return phase; }
    bool LandingWithoutRecords() const { return recordsStopped; }
    // Where a landing aircraft touches down: the runway's ground there is its own. None for any
    // other.
    std::optional<GeodeticPosition> Touchdown() const;

private:
    enum class Path { Track, Taxi, Standing, Landing, TakeOff };

    void Judge(const TrafficFix& fix, double fixTime, const MotionContext& context,
               double acceleration);
    void StartRunwayPath(const TrafficFix& fix, double fixTime, const MotionContext& context,
                         double acceleration, const RunwayEndRef& runway, double elevation);
    ShownAircraft Raw(double now) const;
    ShownAircraft OnPath(const PathState& state) const;
    FlightPhase PhaseAt(double t) const;
    double GroundFloor() const;
    Configuration ConfigurationAt(double now) const;

    TrafficTrack track;
    TrafficFix lastFix{};
    double lastFixTime = 0;
    FlightPhase phase = FlightPhase::EnRoute;
    Path path = Path::Track;
    const PhaseLimits* limits = &LimitsOf(FlightClass::Jet);
    const GroundNetwork* network = nullptr;
    const Runway* runway = nullptr; // the one it is on final for, or rolling on
    int runwayEnd = 0;
    RunwayFrame frame{};
    LandingPath landing;
    TakeOffPath takeOff;
    double groundHeight = 0;     // metres above sea level, where it is on the ground
    double heightAboveField = 0; // at the last fix; not a number: no field near
    double standingHeading = 0;  // degrees
    bool atGate = false;
    bool recordsStopped = false;
    // The blend from what was shown before: the offset then (north, east, up) and its span.
    LocalOffset blendOffset{};
    double blendStart = 0;
    double blendSeconds = 0;
    // The configuration as shown at `configurationSince`.
    Configuration configurationFrom{};
    double configurationSince = 0;
};
