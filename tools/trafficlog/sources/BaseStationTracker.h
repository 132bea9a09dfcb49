// What a receiver's BaseStation ("SBS-1") messages say about the aircraft it hears: per
// aircraft the latest callsign (transmission type 1), altitude and position (3), ground speed,
// track and vertical rate (4), and, when asked, surface positions (2: position, ground speed and
// track of an aircraft on the ground, whose height is then left empty); other messages are
// ignored. Values are kept in the units the
// OpenSky conversion writes (metres, metres per second), so one recording format comes out of
// both. A message older than what is known of a value does not replace it, so messages out of
// order do no harm.
#pragma once

#include "tools/trafficlog/datafile/EntryAssembler.h"

#include <cstdint>
#include <unordered_map>

enum class MessageKind { Used, Ignored, Bad };
enum class SurfacePositions { Ignored, Kept };

// True when the line looks like a BaseStation message, not a CSV header.
bool IsBaseStationLine(const char* line);

class BaseStationTracker {
public:
    // Aircraft not heard for this long are forgotten.
    static constexpr std::int64_t kForgetSeconds = 600;
    // How long a new aircraft is held back from the entries while its velocity is not heard.
    static constexpr double kVelocityWaitSeconds = 2.0;

    // How an entry's positions meet its time stamp (whole seconds).
    enum class Stamping {
        // Each position as its last message gave it.
        AsHeard,
        // Each position moved on (or back) from its message's time to the stamp by the aircraft's
        // last velocity, as whoever reads the entry moves it on from the stamp; one without a
        // velocity as heard. An aircraft first heard less than kVelocityWaitSeconds before the
        // stamp, its velocity not yet heard, is left out: it would stand still until the next
        // entry.
        MovedToStamp,
    };
    // A feed that names more aircraft than this at once is not a receiver's.
    static constexpr std::size_t kMaxAircraft = 65536;

    explicit BaseStationTracker(SurfacePositions surface = SurfacePositions::Ignored)
        : surface(surface) {}

    // What one used message says, in the units written.
    struct Message {
        int type = 0;
        std::uint32_t key = 0;
        char address[9] = {};
        char callsign[9] = {};
        double time = 0;
        bool hasAltitude = false, hasPosition = false;
        bool hasSpeed = false, hasTrack = false, hasRate = false;
        double altitudeMetres = 0, latitude = 0, longitude = 0;
        double speed = 0, track = 0, rate = 0;
    };

    // One message line (changed in place) read without changing what is known. With
    // `useOwnTime` the message's generated date and time stamp its values (a log), else `now`
    // does (a live feed). `reason` (size bytes) says why a Bad message is bad: besides a
    // malformed line, a time beyond what a data file holds and a speed, vertical rate or
    // height no aircraft flies.
    MessageKind Read(char* line, bool useOwnTime, double now, Message& message, char* reason,
                     int size) const;
    // What a message Read as Used says, taken in.
    void Apply(const Message& message);
    // Read and Apply; `time` is the stamp used.
    MessageKind Take(char* line, bool useOwnTime, double now, double& time, char* reason, int size);
    // One entry, stamped `entryTime`, of every aircraft heard with a position in the `stale`
    // seconds up to it, offered to the assembler (its region and nearest-first rules apply).
    // Returns the number offered.
    int OfferEntry(std::int64_t entryTime, double stale, EntryAssembler& assembler,
                   Stamping stamping = Stamping::AsHeard);
    // Forgets the aircraft not heard since kForgetSeconds before `now`.
    void Forget(double now);

    std::size_t Heard() const { return aircraft.size(); }
    // Aircraft with a position in the `stale` seconds up to `now`.
    int WithPosition(double now, double stale) const;
    // The latest position time of any aircraft, or a very early time without one.
    double LatestPosition() const { return latestPosition; }

private:
    struct Aircraft {
        char address[9] = {};
        char callsign[9] = {};
        double firstHeard = 0;
        double heard = 0;
        double callsignTime = -1;
        double positionTime = -1;
        double latitude = 0;
        double longitude = 0;
        double altitudeTime = -1;
        double altitudeMetres = 0;
        double velocityTime = -1;
        bool hasSpeed = false, hasTrack = false, hasRate = false;
        double speed = 0, track = 0, rate = 0;
        double surfaceTime = -1; // the latest surface position
    };

    // Where the aircraft stands for an entry stamped `entryTime`; false when it is left out.
    struct Placed {
        double latitude, longitude, altitudeMetres;
    };
    static bool Place(const Aircraft& plane, double entryTime, Stamping stamping, Placed& placed);
    static bool ReadCallsign(char** fields, Message& message, char* reason, int size);
    static bool ReadValues(char** fields, Message& message, char* reason, int size);

    SurfacePositions surface;
    std::unordered_map<std::uint32_t, Aircraft> aircraft;
    double latestPosition = -1e300;
};
