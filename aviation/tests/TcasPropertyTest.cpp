// The volumes of the advisories over many random encounters (a fixed seed): an RA only where a TA
// would stand, every TA still standing beside the RA logic, and the horizontal miss distance
// filter judged against the closest approach worked out here on its own.

#include "aviation/tests/TcasScript.h"
#include "traffic/Units.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int kEncounters = 50000;

// Closing to pass `miss` metres from the own-ship within a minute: the geometry where the
// filter decides.
TcasAircraft AimedIntruder(EncounterDraw& draw, const TcasAircraft& own, double miss) {
    const double speed = draw.Between(20, 500);
    const double track = draw.Between(0, 2 * units::kPi);
    const double vn = speed * std::cos(track);
    const double ve = speed * std::sin(track);
    const double before = draw.Between(0, 60);
    const double side = draw.Between(0, 1) < 0.5 ? -1 : 1;
    const LocalOffset at{-vn * before - side * miss * std::sin(track),
                         -ve * before + side * miss * std::cos(track),
                         draw.Between(-3000, 3000) * kFt};
    return {Displaced(own.position, at), own.north + vn, own.east + ve, draw.Between(-40, 40)};
}

// How near the straight relative track comes from now on, and the range now.
struct Approach {
    double miss;
    double range;
};

Approach ApproachOf(const TcasAircraft& own, const TcasAircraft& intruder) {
    const LocalOffset p = OffsetBetween(own.position, intruder.position);
    const double vn = intruder.north - own.north;
    const double ve = intruder.east - own.east;
    const double speed2 = vn * vn + ve * ve;
    const double t = speed2 > 0 ? std::fmax(0.0, -(p.north * vn + p.east * ve) / speed2) : 0;
    return {std::hypot(p.north + vn * t, p.east + ve * t), std::hypot(p.north, p.east)};
}

struct Tally {
    int resolutions = 0;
    int filtered = 0; // an RA but for the filter
    int traffic = 0;
};

void Check(const TcasAircraft& own, const TcasAircraft& intruder, Tally& tally) {
    const TcasThresholds t = ThresholdsFor(own.position.height);
    TcasThresholds trafficOnly = t;
    trafficOnly.raTau = 0;
    TcasThresholds unfiltered = t;
    unfiltered.hmd = INFINITY;
    const TcasLevel level = AssessIntruder(own, intruder).level;
    const TcasLevel traffic = AssessIntruder(own, intruder, trafficOnly).level;
    const TcasLevel withoutFilter = AssessIntruder(own, intruder, unfiltered).level;
    const Approach a = ApproachOf(own, intruder);
    ASSERT_NE(traffic, TcasLevel::Resolution);
    // An RA or a TA wherever a TA would stand, and nowhere else.
    ASSERT_EQ(level != TcasLevel::None, traffic == TcasLevel::Traffic)
        << "at " << own.position.height / kFt << " ft, range " << a.range;
    // Within a millimetre of the threshold the two ways of working out the miss may differ.
    if (std::fabs(a.miss - t.hmd) < 1e-3) {
        return;
    }
    const bool passesWide = a.miss > t.hmd && a.range > t.raDmod;
    ASSERT_EQ(level == TcasLevel::Resolution, withoutFilter == TcasLevel::Resolution && !passesWide)
        << "miss " << a.miss << " m, HMD " << t.hmd << " m, range " << a.range << " m";
    tally.resolutions += level == TcasLevel::Resolution ? 1 : 0;
    tally.filtered += withoutFilter == TcasLevel::Resolution && passesWide ? 1 : 0;
    tally.traffic += level == TcasLevel::Traffic ? 1 : 0;
}

TEST(TcasProperties, RaOnlyWithinTheTaVolumeAndNeverForATrackThatPassesWide) {
    EncounterDraw draw(0x7CA5);
    Tally any;
    Tally aimed;
    for (int i = 0; i < kEncounters; ++i) {
        const TcasAircraft own = draw.Own();
        ASSERT_NO_FATAL_FAILURE(Check(own, draw.Moving(draw.Near(own.position)), any));
        const double hmd = ThresholdsFor(own.position.height).hmd;
        ASSERT_NO_FATAL_FAILURE(
            Check(own, AimedIntruder(draw, own, draw.Between(0, 2 * hmd)), aimed));
    }
    // Each kind of outcome came up often enough to mean something.
    for (const Tally& tally : {any, aimed}) {
        EXPECT_GT(tally.resolutions, 300);
        EXPECT_GT(tally.filtered, 300);
        EXPECT_GT(tally.traffic, 300);
    }
}

} // namespace
