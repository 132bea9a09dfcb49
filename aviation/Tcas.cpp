#include "aviation/Tcas.h"

#include "traffic/Units.h"

#include <cmath>

namespace {
// Short names, so that the table below reads like the one it comes from.
constexpr double kMetresPerNm = units::kMetresPerNauticalMile;
constexpr double kFt = units::kMetresPerFoot;

// Sensitivity levels and alarm thresholds of TCAS II version 7.1, from the table "Sensitivity
// Level Definition and Alarm Thresholds" of the FAA booklet "Introduction to TCAS II Version
// 7.1" (28 February 2011), with its ALIM column (300, 300, 350, 400 and 600 ft for levels 3 to
// 7, 700 ft above FL420) and the horizontal miss distance of its HMD filter: 1215, 2126, 3342,
// 4861 and 6683 ft for levels 3 to 7, 6683 ft above FL420. The two lowest bands are heights
// above the ground, the others pressure altitudes; where the ground is not known the altitude
// stands in for the height above it. The edges are held in metres, converted once from the
// table's feet.
struct Band {
    double below; // metres
    TcasThresholds thresholds;
};
constexpr Band kBands[] = {
    {1000 * kFt, {2, 20, 0, 0.30 * kMetresPerNm, 0, 850 * kFt, 0, 0, 0}},
    {2350 * kFt,
     {3, 25, 15, 0.33 * kMetresPerNm, 0.20 * kMetresPerNm, 850 * kFt, 600 * kFt, 1215 * kFt,
      300 * kFt}},
    {5000 * kFt,
     {4, 30, 20, 0.48 * kMetresPerNm, 0.35 * kMetresPerNm, 850 * kFt, 600 * kFt, 2126 * kFt,
      300 * kFt}},
    {10000 * kFt,
     {5, 40, 25, 0.75 * kMetresPerNm, 0.55 * kMetresPerNm, 850 * kFt, 600 * kFt, 3342 * kFt,
      350 * kFt}},
    {20000 * kFt,
     {6, 45, 30, 1.00 * kMetresPerNm, 0.80 * kMetresPerNm, 850 * kFt, 600 * kFt, 4861 * kFt,
      400 * kFt}},
    {42000 * kFt,
     {7, 48, 35, 1.30 * kMetresPerNm, 1.10 * kMetresPerNm, 850 * kFt, 700 * kFt, 6683 * kFt,
      600 * kFt}},
};
constexpr TcasThresholds kAbove42000 = {
    7,         48,         35,       1.30 * kMetresPerNm, 1.10 * kMetresPerNm, 1200 * kFt,
    800 * kFt, 6683 * kFt, 700 * kFt};
// The upper edge of the two bands that stand on the height above the ground.
constexpr double kGroundBandsTop = 2350 * kFt;

// The intruder relative to the own-ship.
struct Geometry {
    double range;         // metres, horizontal
    double rangeRate;     // m/s, negative while closing
    double altitude;      // metres, intruder above own-ship positive
    double altitudeRate;  // m/s
    double timeToClosest; // seconds, 0 when already past it
    double missDistance;  // metres, the nearest the straight relative track comes from now on
};

Geometry Relate(const TcasAircraft& own, const TcasAircraft& intruder) {
    const LocalOffset offset = OffsetBetween(own.position, intruder.position);
    const double vn = intruder.north - own.north;
    const double ve = intruder.east - own.east;
    Geometry g{};
    g.range = std::hypot(offset.north, offset.east);
    const double closing = offset.north * vn + offset.east * ve;
    g.rangeRate = g.range > 0 ? closing / g.range : 0;
    g.altitude = offset.up;
    g.altitudeRate = intruder.up - own.up;
    const double speed2 = vn * vn + ve * ve;
    g.timeToClosest = speed2 > 0 && closing < 0 ? -closing / speed2 : 0;
    // The distance of the own-ship from the track's line, from the cross product: no
    // cancellation when the track passes close.
    g.missDistance = g.timeToClosest > 0
                         ? std::fabs(offset.north * ve - offset.east * vn) / std::sqrt(speed2)
                         : g.range;
    return g;
}

// The modified tau of TCAS II: the time until the intruder comes within DMOD, 0 inside it;
// infinite while the range opens.
double RangeTau(const Geometry& g, double dmod) {
    if (g.range <= dmod) {
        return 0;
    }
    if (g.rangeRate >= 0) {
        return INFINITY;
    }
    return (dmod * dmod - g.range * g.range) / (g.range * g.rangeRate);
}

bool VerticalTest(const Geometry& g, double zthr, double tau) {
    if (std::fabs(g.altitude) <= zthr) {
        return true;
    }
    // Converging in altitude: the time to co-altitude counts like the range tau.
    return g.altitude * g.altitudeRate < 0 && -g.altitude / g.altitudeRate <= tau;
}

bool Advises(const Geometry& g, double tauLimit, double dmod, double zthr, double& tau) {
    tau = RangeTau(g, dmod);
    return tauLimit > 0 && tau <= tauLimit && VerticalTest(g, zthr, tauLimit);
}

// The HMD filter of TCAS II version 7: outside DMOD an intruder whose track passes wide of the
// own-ship gets a TA at most, however fast it closes.
bool Resolves(const Geometry& g, const TcasThresholds& t, double& tau) {
    return Advises(g, t.raTau, t.raDmod, t.raZthr, tau) &&
           (g.range <= t.raDmod || g.missDistance <= t.hmd);
}

bool Worse(const TcasThreat& a, const TcasThreat& b) {
    return a.level > b.level || (a.level == b.level && a.tau < b.tau);
}

TcasAdvisory Begin(TcasAdvisoryKind kind, double now) {
    TcasAdvisory advisory;
    advisory.kind = kind;
    advisory.since = now;
    advisory.lastThreat = now;
    return advisory;
}

// Before the closest approach, not yet done in this encounter, and the intruder clearly on the
// other side now. `timeToClosest` is above 0 only while the range closes.
bool Reverses(const TcasAdvisory& standing, const TcasThreat& worst) {
    return !standing.reversalTaken && worst.timeToClosest > 0 && worst.sense != standing.sense &&
           std::fabs(worst.altitudeAtClosest) > kTcasReversalMargin;
}

TcasAdvisory Resolve(const TcasAdvisory& standing, TcasSense sense, bool reverse, double now) {
    const bool sameEncounter = standing.kind == TcasAdvisoryKind::Resolution ||
                               standing.kind == TcasAdvisoryKind::ClearOfConflict;
    if (!sameEncounter) {
        TcasAdvisory advisory = Begin(TcasAdvisoryKind::Resolution, now);
        advisory.sense = sense;
        return advisory;
    }
    TcasAdvisory advisory = standing;
    advisory.lastThreat = now;
    if (standing.kind == TcasAdvisoryKind::ClearOfConflict) {
        // The RA comes back in the same encounter with the sense it had.
        advisory.kind = TcasAdvisoryKind::Resolution;
        advisory.reversed = false;
        advisory.since = now;
    }
    if (reverse) {
        advisory.sense = sense;
        advisory.reversed = true;
        advisory.reversalTaken = true;
        advisory.since = now;
    }
    return advisory;
}
} // namespace

TcasThresholds ThresholdsFor(double ownHeight) {
    for (const Band& band : kBands) {
        if (ownHeight < band.below) {
            return band.thresholds;
        }
    }
    return kAbove42000;
}

TcasThresholds ThresholdsFor(double ownHeight, double aboveGround, bool raInhibited) {
    if (raInhibited) {
        return kBands[0].thresholds;
    }
    if (aboveGround < kGroundBandsTop) {
        return kBands[1].thresholds;
    }
    return ThresholdsFor(std::fmax(ownHeight, kGroundBandsTop));
}

TcasThreat AssessIntruder(const TcasAircraft& own, const TcasAircraft& intruder) {
    return AssessIntruder(own, intruder, ThresholdsFor(own.position.height));
}

TcasThreat AssessIntruder(const TcasAircraft& own, const TcasAircraft& intruder,
                          const TcasThresholds& t) {
    const Geometry g = Relate(own, intruder);
    TcasThreat threat;
    threat.timeToClosest = g.timeToClosest;
    threat.altitude = g.altitude;
    threat.altitudeRate = g.altitudeRate;
    threat.altitudeAtClosest = g.altitude + g.altitudeRate * g.timeToClosest;
    // Away from where the intruder will be at the closest approach, both flying straight on.
    // The real logic chooses differently: it models the own-ship's response (a 5 s delay, a
    // quarter g up to 1500 ft/min) and takes the sense that gains the more separation, avoids a
    // sense that crosses the intruder's altitude while the other one gives enough, coordinates
    // with an intruder's own TCAS, weakens RAs (adjust vertical speed, preventive) and
    // strengthens them (increase climb or descent). Several threats at once and the ground are
    // TcasSystem's. Exactly level at the closest approach: climbing is the one that needs no
    // descent towards the ground.
    threat.sense = threat.altitudeAtClosest > 0 ? TcasSense::Descend : TcasSense::Climb;
    double tau = 0;
    if (Resolves(g, t, tau)) {
        threat.level = TcasLevel::Resolution;
    } else if (Advises(g, t.taTau, t.taDmod, t.taZthr, tau)) {
        threat.level = TcasLevel::Traffic;
    }
    threat.tau = tau;
    return threat;
}

TcasThreat AssessByRange(const TcasAircraft& own, const TcasAircraft& intruder,
                         const TcasThresholds& t) {
    const Geometry g = Relate(own, intruder);
    TcasThreat threat;
    threat.timeToClosest = g.timeToClosest;
    threat.tau = RangeTau(g, t.taDmod);
    threat.level = t.taTau > 0 && threat.tau <= t.taTau ? TcasLevel::Traffic : TcasLevel::None;
    return threat;
}

TcasThreat WorstThreat(const TcasAircraft& own, std::span<const TcasAircraft> intruders) {
    TcasThreat worst;
    for (const TcasAircraft& intruder : intruders) {
        const TcasThreat threat = AssessIntruder(own, intruder);
        if (threat.level != TcasLevel::None && Worse(threat, worst)) {
            worst = threat;
        }
    }
    return worst;
}

TcasAdvisory NextAdvisory(const TcasAdvisory& standing, const TcasThreat& worst, double now) {
    return Advance(standing, worst.level, worst.sense, Reverses(standing, worst), now);
}

TcasAdvisory Advance(const TcasAdvisory& standing, TcasLevel level, TcasSense sense, bool reverse,
                     double now) {
    if (level == TcasLevel::Resolution) {
        return Resolve(standing, sense, reverse, now);
    }
    TcasAdvisory advisory = standing;
    const bool traffic = level == TcasLevel::Traffic;
    switch (standing.kind) {
    case TcasAdvisoryKind::None:
        return traffic ? Begin(TcasAdvisoryKind::Traffic, now) : standing;
    case TcasAdvisoryKind::Traffic:
        if (traffic) {
            advisory.lastThreat = now;
            return advisory;
        }
        break;
    case TcasAdvisoryKind::Resolution:
        break;
    case TcasAdvisoryKind::ClearOfConflict:
        // A traffic advisory that outlasts the announcement keeps it standing, silent, so
        // that the same intruder is not announced again.
        if (traffic) {
            advisory.lastThreat = now;
            return advisory;
        }
        if (now - standing.since >= kTcasClearSeconds &&
            now - standing.lastThreat >= kTcasReleaseSeconds) {
            return TcasAdvisory{};
        }
        return standing;
    }
    if (now - standing.lastThreat < kTcasReleaseSeconds) {
        return standing;
    }
    // As in the aircraft: "clear of conflict" closes a resolution advisory; a traffic advisory
    // that ends just falls silent.
    if (standing.kind != TcasAdvisoryKind::Resolution) {
        return TcasAdvisory{};
    }
    TcasAdvisory clear = Begin(TcasAdvisoryKind::ClearOfConflict, now);
    clear.sense = standing.sense;
    clear.reversalTaken = standing.reversalTaken;
    return clear;
}
