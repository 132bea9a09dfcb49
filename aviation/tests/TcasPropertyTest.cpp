// The volumes of the advisories over many random encounters (a fixed seed): an RA only where a TA
// would stand, every TA still standing beside the RA logic, and the horizontal miss distance
// filter judged against the closest approach worked out here on its own. Then the whole system:
// with one intruder and no ground it speaks as the single-intruder logic does, and near the
// ground it keeps its inhibits whatever the traffic.

#include "aviation/TcasSystem.h"
#include "aviation/tests/TcasScript.h"
#include "traffic/Units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

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

// Straight on, its vertical rate turning to `laterUp` at `turnAt` s.
TcasAircraft Flown(const TcasAircraft& a, double t, double turnAt = INFINITY, double laterUp = 0) {
    const double climbed = t <= turnAt ? a.up * t : a.up * turnAt + laterUp * (t - turnAt);
    return {Displaced(a.position, {a.north * t, a.east * t, climbed}), a.north, a.east,
            t <= turnAt ? a.up : laterUp};
}

// One intruder, the ground not known: the system's voice is, step by step, the advisory of the
// single-intruder logic, which is held against an independent reference.
TEST(TcasProperties, OneIntruderWithoutGroundSpeaksAsTheSingleIntruderLogic) {
    EncounterDraw draw(0x51A6);
    int resolutions = 0;
    int reversals = 0;
    for (int i = 0; i < 3000; ++i) {
        const TcasAircraft own = draw.Own();
        const TcasAircraft intruder =
            i % 2 == 0
                ? draw.Moving(draw.Near(own.position))
                : AimedIntruder(draw, own, draw.Between(0, ThresholdsFor(own.position.height).hmd));
        // A third of the intruders turn their climb or descent round on the way.
        const double turnAt = i % 3 == 0 ? draw.Between(0, 60) : INFINITY;
        const double laterUp = -intruder.up;
        TcasSystem system;
        TcasAdvisory single;
        for (int t = 0; t <= 90; ++t) {
            const TcasAircraft ownNow = Flown(own, t);
            const TcasAircraft other = Flown(intruder, t, turnAt, laterUp);
            single = NextAdvisory(single, WorstThreat(ownNow, {&other, 1}), t);
            const TcasIntruder seen{42, other};
            system.Step({ownNow, std::nullopt}, {&seen, 1}, t);
            const TcasAdvisory& voice = system.Voice();
            ASSERT_EQ(voice.kind, single.kind) << "encounter " << i << " at " << t << " s";
            if (single.kind == TcasAdvisoryKind::Resolution) {
                ASSERT_EQ(voice.sense, single.sense) << "encounter " << i << " at " << t << " s";
                ASSERT_EQ(voice.reversed, single.reversed) << "encounter " << i;
                resolutions += 1;
                reversals += single.reversed ? 1 : 0;
            }
        }
    }
    EXPECT_GT(resolutions, 5000);
    EXPECT_GT(reversals, 50);
}

// Whatever the traffic near the ground: no RA below 1000 ft, no descent below 1100 ft, no voice
// below 500 ft, and nothing for an intruder on the ground while the own-ship is below 1750 ft.
TEST(TcasProperties, NearTheGroundTheInhibitsHold) {
    EncounterDraw draw(0x6A0D);
    int traffic = 0;
    int climbs = 0;
    for (int i = 0; i < 20000; ++i) {
        TcasAircraft own = draw.Own();
        const double aboveGround = draw.Between(0, 2500) * kFt;
        const double ground = draw.Between(-1000, 10000) * kFt;
        own.position.height = ground + aboveGround;
        TcasIntruder intruders[4];
        for (int k = 0; k < 4; ++k) {
            GeodeticPosition at = draw.Near(own.position);
            at.height = std::fmax(at.height, ground);
            intruders[k] = {static_cast<std::uint64_t>(k), draw.Moving(at),
                            draw.Between(0, 1) < 0.8, draw.Between(0, 1) < 0.1};
        }
        TcasSystem system;
        system.Step({own, aboveGround}, intruders, 0);
        const TcasAdvisory& a = system.Advisory();
        const bool ra = a.kind == TcasAdvisoryKind::Resolution;
        ASSERT_FALSE(ra && aboveGround < 1000 * kFt) << i;
        ASSERT_FALSE(ra && a.sense == TcasSense::Descend && aboveGround < 1100 * kFt) << i;
        ASSERT_FALSE(system.Voice().kind != TcasAdvisoryKind::None && aboveGround < 500 * kFt) << i;
        for (const TcasIntruderState& state : system.Intruders()) {
            const TcasIntruder& intruder = intruders[state.id];
            ASSERT_FALSE(intruder.saysOnGround) << i;
            const bool onGround = intruder.reportsAltitude && aboveGround < 1750 * kFt &&
                                  intruder.aircraft.position.height - ground < 380 * kFt;
            ASSERT_FALSE(onGround) << i;
            ASSERT_TRUE(intruder.reportsAltitude ||
                        state.advisory.kind == TcasAdvisoryKind::Traffic)
                << i;
        }
        traffic += a.kind == TcasAdvisoryKind::Traffic ? 1 : 0;
        climbs += ra && a.sense == TcasSense::Climb ? 1 : 0;
    }
    EXPECT_GT(traffic, 300);
    EXPECT_GT(climbs, 100);
}

} // namespace
