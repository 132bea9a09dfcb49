// What a receiver's BaseStation ("SBS-1") messages say about the aircraft it hears: per
// aircraft the latest callsign (transmission type 1), altitude and position (3), ground speed,
// track and vertical rate (4); other messages are ignored. Values are kept in the units the
// OpenSky conversion writes (metres, metres per second), so one recording format comes out of
// both. A message older than what is known of a value does not replace it, so messages out of
// order do no harm.
#pragma once

#include "tools/trafficlog/EntryAssembler.h"

#include <cstdint>
#include <unordered_map>

inline constexpr char kBaseStationTrackerHeaderRevision[] =
    "%Z% TrafficLog QX5002:63 BaseStationTracker.h $Revision: 1.1 $";

enum class MessageKind { Used, Ignored, Bad };

// True when the line looks like a BaseStation message, not a CSV header.
bool IsBaseStationLine(const char* line);

class BaseStationTracker {
public:
    // Aircraft not heard for this long are forgotten.
    static constexpr std::int64_t kForgetSeconds = 600;
    // A feed that names more aircraft than this at once is not a receiver's.
    static constexpr std::size_t kMaxAircraft = 65536;

    // One message line (changed in place). With `useOwnTime` the message's generated date and
    // time stamp its values (a log), else `now` does (a live feed). `time` is the stamp used;
    // `reason` (size bytes) says why a Bad message is bad.
    MessageKind Take(char* line, bool useOwnTime, double now, double& time, char* reason, int size);
    // One entry, stamped `entryTime`, of every aircraft heard with a position in the `stale`
    // seconds up to it, offered to the assembler (its region and nearest-first rules apply).
    // Returns the number offered.
    int OfferEntry(std::int64_t entryTime, double stale, EntryAssembler& assembler);
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
    };

    bool Apply(int type, char** fields, Aircraft& plane, double time, char* reason, int size);

    std::unordered_map<std::uint32_t, Aircraft> aircraft;
    double latestPosition = -1e300;
};
