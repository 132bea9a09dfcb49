#pragma once
// The feeder's published aircraft as FlightGear's multiplayer aircraft: one track per aircraft,
// keyed by its multiplayer callsign (the record's callsign, or its address when that is empty),
// moved on between publications (by dead reckoning, and at airports along runways and taxiways
// by its phase of flight, aviation/AircraftMotion.h), written as position messages with the
// aircraft's gear, flaps, speed brake, engines and transponder. An aircraft missing from a
// publication is no longer sent, and FlightGear drops it a few seconds later; one that was
// landing lands without its records and is removed once it has stood 30 s.

#include "aviation/AircraftMotion.h"
#include "aviation/Airports.h"
#include "aviation/Geoid.h"
#include "aviation/TcasSystem.h"
#include "shared_memory/AircraftRecord.h"
#include "shared_memory/VisualInterfaceShm.h"
#include "tools/fg/MultiplayerCodec.h"
#include "tools/fg/TerrainSource.h"
#include "tools/fg/TrafficGround.h"
#include "tools/fg/models/ModelMatcher.h"
#include "tools/fg/scenery/GroundNetFile.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

inline constexpr char kDefaultModel[] = "Aircraft/ufo/Models/ufo.xml";
// A record's position older than the newest of its publication by more than this is taken as
// this old: further back a recording's time stamps say nothing reliable.
inline constexpr double kMaxFixAgeSeconds = 30.0;

// A live record older than this is shown where it was seen, not moved on: the aircraft has gone
// its own way since, and a feed that stalled must not send it on for ever.
inline constexpr double kLiveHoldSeconds = 60.0;

// How the times of a publication's records place their fixes. A recording played back: by each
// record's age against the newest of the publication (its stamps are of another day). Live
// traffic: by each record's age on the calendar (`calendar`, now in seconds since 1970), a
// record's time being the receiver's time of its position; one stamped in the future is taken
// as now.
struct RecordTimes {
    bool live = false;
    double calendar = 0;
};

// Where the position messages go.
class DatagramSink {
public:
    virtual ~DatagramSink() = default;
    virtual bool Send(const std::uint8_t* data, std::size_t size) = 0;
};

// The callsign FlightGear shows for a record: its callsign without trailing blanks, control
// characters masked, cut to 7 characters; or, when it is empty, its address as 6 hexadecimal
// digits.
void MultiplayerCallsign(const AircraftRecord& record, char (&callsign)[kMpCallsignSize]);

enum class FixUse {
    Moving,  // moved on at its track, speed and rate
    Held,    // its speed or rate is not what an aircraft flies: shown at its fix, not moved
    Unusable // no position an aircraft can be at: left out
};

// A record's height in FlightGear's vertical frame, metres above mean sea level (FlightGear has
// no geoid: its ground and its own aircraft stand at sea-level heights laid over the ellipsoid).
// The geometric height, which is above the ellipsoid, less the geoid's undulation there (none
// without a grid, or where the grid has no value); without one, the barometric altitude, a
// height above sea level in the standard atmosphere; without either (0 or not a number in both
// fields, as aircraft on the ground are recorded), none.
std::optional<double> RecordedHeight(const AircraftRecord& record, const GeoidGrid* geoid);
// The same, 0 for none.
double SeaLevelHeight(const AircraftRecord& record, const GeoidGrid* geoid);

// A record's pressure altitude (metres): its barometric altitude, where it has one that an
// aircraft can fly at (0 or not a number is none).
std::optional<double> PressureAltitude(const AircraftRecord& record);

// A record as a fix: its height above sea level as SeaLevelHeight makes it; a speed, rate or
// track that is not a number is taken as none. The limits are those of traffic/FlightLimits.h.
FixUse FixOf(const AircraftRecord& record, TrafficFix& fix, const GeoidGrid* geoid = nullptr);

static_assert(kModelPathSize == kMpModelSize, "a chosen model must fit the message as it is");

// What the bridge knows of the world's airports: where traffic stands, lands, rolls, taxis and
// parks. Any part may be missing: without the airports every aircraft is dead-reckoned at its
// recorded height, without the ground networks taxiing aircraft keep to their records. The
// simulator's ground under each aircraft is its TrafficGround's (KeepGround).
struct AirportWorld {
    const AirportIndex* airports = nullptr;
    GroundNetworks* networks = nullptr;
};

// An airport's ground network counts for aircraft within this of its reference point.
inline constexpr double kGroundNetworkRange = 5000.0; // metres
// Aircraft landing without their records are shown beyond a publication's own.
inline constexpr int kMaxLandingWithoutRecords = 16;
inline constexpr int kMaxShownAircraft = kMaxBlockAircraft + kMaxLandingWithoutRecords;
// The property values each position message carries, in this order every time (FlightGear
// blends them between two messages only then): the flaps, the speed brake, the three gears'
// positions, n1 and rpm of two engines, the transponder's altitude and ground bit.
inline constexpr std::uint16_t kSentProperties[] = {104, 105, 201, 211,  221, 300,
                                                    302, 310, 312, 1501, 1504};

class TrafficForwarder {
public:
    // Without a matcher every aircraft is drawn with `modelPath`; with one, each aircraft gets
    // the model it chooses when the aircraft is first seen, and keeps it while it is forwarded.
    // Without a geoid, geometric heights are sent as they are recorded. With airports, an
    // aircraft on the ground (aviation/GroundContact) is sent at the ground's height, level and
    // wings level; without them every aircraft at its recorded height.
    explicit TrafficForwarder(const char* modelPath = kDefaultModel,
                              const ModelMatcher* matcher = nullptr,
                              const GeoidGrid* geoid = nullptr, AirportWorld world = {});

    // A publication, seen at `now` (seconds of the bridge's clock).
    void Publish(std::span<const AircraftRecord> records, double now, RecordTimes times = {});
    // Sends every aircraft as shown at `now`, stamped `stamp` (seconds of the receiver's clock);
    // the number of messages that `sink` refused or that were not sent, as they would not pass
    // the decoder (IsPlausiblePosition).
    int SendAll(double now, double stamp, DatagramSink& sink) const;
    // The aircraft as shown at `now`, for the traffic-alert logic; at most `capacity`. Each is
    // known by its callsign as FlightGear shows it (unique in a publication), and its height is
    // its pressure altitude, moved on with its track, where its record has one: one without is
    // not altitude-reporting.
    int Intruders(double now, TcasIntruder* intruders, int capacity) const;
    // FlightGear's answers about its ground taken, and the ground asked under the aircraft that
    // may stand on it where that is due (TrafficGround); each tick, before SendAll.
    void KeepGround(double now, TerrainSource& source);

    int Count() const { return count; }
    // Records of the last publication that were not forwarded: no usable position, or a
    // callsign and address that another aircraft of the publication already had.
    int Skipped() const { return skipped; }
    // Aircraft of the last publication shown at their fix, as their motion was unusable or
    // (live) their record too old.
    int Held() const { return held; }
    const char* CallsignAt(int index) const { return aircraft[index].callsign; }
    const char* ModelAt(int index) const { return aircraft[index].model; }
    const TrafficGround& GroundAt(int index) const { return aircraft[index].ground; }
    // Aircraft of the last publication, and now, on the ground.
    int OnGround() const;
    // Aircraft of the last publication by the rule that chose their model.
    int CountByRule(MatchRule rule) const { return byRule[static_cast<int>(rule)]; }
    // Aircraft landing on their own, their records stopped.
    int LandingWithoutRecords() const { return landing; }
    FlightPhase PhaseAt(int index) const { return aircraft[index].motion.Phase(); }

private:
    struct Aircraft {
        char callsign[kMpCallsignSize];
        char model[kMpModelSize];
        MatchRule rule;
        FlightClass kind;
        std::int32_t positionTime;
        AircraftMotion motion;
        TrafficGround ground;
        // The record's pressure altitude less its height as sent, and whether it has one.
        double pressureOffset;
        bool reportsAltitude;
        bool saysOnGround;
    };

    // The aircraft as shown at `now`: on the ground, at the ground's height and level.
    ShownAircraft Shown(const Aircraft& shown, double now) const;

    void ChooseModel(const AircraftRecord& record, const TrafficFix& fix, Aircraft& taken) const;
    MotionContext ContextOf(const AircraftRecord& record, const Aircraft& taken,
                            const GroundHeights& ground) const;
    void KeepLanding(double now, int& nextCount);
    void PlaceOnGround(const AircraftRecord& record, TrafficFix& fix, TrafficGround& ground) const;

    int Find(const char* callsign, const Aircraft* in, int size) const;
    bool Take(const AircraftRecord& record, double fixTime, double now, bool hold, Aircraft* next,
              int& nextCount);

    char model[kMpModelSize];
    const ModelMatcher* matcher;
    const GeoidGrid* geoid;
    AirportWorld world;
    std::vector<Aircraft> aircraft; // kMaxShownAircraft of each, once there is a publication
    std::vector<Aircraft> incoming;
    int count = 0;
    int skipped = 0;
    int held = 0;
    int landing = 0;
    int byRule[kMatchRules] = {};
};
