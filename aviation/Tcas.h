#pragma once
// Traffic-alert logic: a traffic advisory (TA) or resolution advisory (RA) from the published
// TCAS II version 7.1 thresholds, as pure functions of the own-ship, the intruders and the
// advisory that stands, so that an encounter can be scripted and replayed without a simulator.

#include "aviation/Geodesy.h"

#include <span>

// An aircraft's position (height in metres) and velocity (m/s, north, east and up).
struct TcasAircraft {
    GeodeticPosition position;
    double north;
    double east;
    double up;
};

// One sensitivity level: the time (tau, seconds), distance (DMOD, metres) and altitude (ZTHR,
// metres) thresholds of a TA and of an RA, the horizontal miss distance (HMD, metres) that an RA
// outside DMOD needs, and the vertical separation an RA aims for at the closest approach (ALIM,
// metres). Below 1000 ft there is no RA (raTau 0).
struct TcasThresholds {
    int level;
    double taTau;
    double raTau;
    double taDmod;
    double raDmod;
    double taZthr;
    double raZthr;
    double hmd;
    double alim;
};

// The thresholds at the own-ship's height (metres), its pressure altitude. Each band holds its
// lower edge and not its upper one: exactly 1000 ft is level 3, 2350 ft level 4, 5000 ft level 5,
// 10000 ft and 20000 ft levels 6 and 7, and 42000 ft has the thresholds above FL420. The edges
// are compared in metres, so that a height a hair below an edge is not taken for the band above
// it. With no height above the ground known, the two lowest bands stand on the altitude alone.
TcasThresholds ThresholdsFor(double ownHeight);
// The same where the height above the ground (metres) is known: the two lowest levels by it
// (level 2, TA only, while `raInhibited`, level 3 below 2350 ft), the others by the pressure
// altitude, at least level 4.
TcasThresholds ThresholdsFor(double ownHeight, double aboveGround, bool raInhibited);

enum class TcasLevel { None, Traffic, Resolution };
enum class TcasSense { Climb, Descend };

struct TcasThreat {
    TcasLevel level = TcasLevel::None;
    // Of an RA: away from where the intruder will be at the closest approach.
    TcasSense sense = TcasSense::Climb;
    // How soon the threat comes to a head (seconds; 0 inside DMOD): the smaller, the worse.
    double tau = 0;
    // The intruder's altitude above the own-ship at the closest approach, metres.
    double altitudeAtClosest = 0;
    // Seconds to the closest approach; 0 once the range no longer closes.
    double timeToClosest = 0;
    // The intruder's altitude above the own-ship now (metres), and how fast it grows (m/s).
    double altitude = 0;
    double altitudeRate = 0;
};

TcasThreat AssessIntruder(const TcasAircraft& own, const TcasAircraft& intruder);
// The same against given thresholds instead of those of the own-ship's height.
TcasThreat AssessIntruder(const TcasAircraft& own, const TcasAircraft& intruder,
                          const TcasThresholds& thresholds);
// An intruder that reports no altitude: a TA when the range test alone is met, never an RA.
TcasThreat AssessByRange(const TcasAircraft& own, const TcasAircraft& intruder,
                         const TcasThresholds& thresholds);
// The highest level among the intruders, the soonest of that level.
TcasThreat WorstThreat(const TcasAircraft& own, std::span<const TcasAircraft> intruders);

enum class TcasAdvisoryKind { None, Traffic, Resolution, ClearOfConflict };

// The advisory that stands, and what it keeps of the encounter: an encounter runs from its first
// advisory until the request falls silent again, so that a clear of conflict followed by a new RA
// is still the same encounter.
struct TcasAdvisory {
    TcasAdvisoryKind kind = TcasAdvisoryKind::None;
    TcasSense sense = TcasSense::Climb; // of the encounter's RA, kept through clear of conflict
    bool reversed = false;              // this RA turned round: Climb Now / Descend Now
    bool reversalTaken = false;         // the encounter has had its one reversal
    double since = 0;                   // when this advisory began
    double lastThreat = -1;             // when a threat at its level (or above) was last seen
};

// Seconds a threat must stay away before its advisory ends, so that an intruder on a threshold
// does not set the voice off again and again.
inline constexpr double kTcasReleaseSeconds = 2.0;
// Seconds the clear-of-conflict request stands before the request falls silent.
inline constexpr double kTcasClearSeconds = 4.0;
// The intruder must be this far (metres) on the other side before an RA reverses.
inline constexpr double kTcasReversalMargin = 30.0;

// The advisory at `now`, given the one standing and the worst threat now. An RA reverses at most
// once per encounter, only before the closest approach and only when the intruder's altitude at
// the closest approach has moved past the margin to the other side; otherwise it keeps its sense
// until it ends.
TcasAdvisory NextAdvisory(const TcasAdvisory& standing, const TcasThreat& worst, double now);
// The same with the sense of an RA, and whether a standing one turns round to it, decided by the
// caller (several threats at once, the ground): `reverse` turns a standing RA (or one that comes
// back after clear of conflict) to `sense`.
TcasAdvisory Advance(const TcasAdvisory& standing, TcasLevel level, TcasSense sense, bool reverse,
                     double now);
