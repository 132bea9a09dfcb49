// The system as it flies, cycle by cycle: the inhibits near the ground and their hysteresis, the
// levels by the height above the ground, intruders on the ground and those that report no
// altitude, each intruder's own advisory and the one voice for them all.

#include "aviation/TcasSystem.h"

#include "aviation/tests/TcasScript.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

constexpr double kFieldFt = 5000;
constexpr double kLatitude = 39.86;
constexpr double kLongitude = -104.67;

// The own-ship standing still at `pressureFt`, `aboveGroundFt` above the ground (none: not known).
TcasOwnShip Own(double pressureFt, std::optional<double> aboveGroundFt) {
    TcasOwnShip own{{{kLatitude, kLongitude, pressureFt * kFt}, 0, 0, 0}, std::nullopt};
    if (aboveGroundFt) {
        own.aboveGround = *aboveGroundFt * kFt;
    }
    return own;
}

// Over the field at `aboveGroundFt`.
TcasOwnShip OverField(double aboveGroundFt) {
    return Own(kFieldFt + aboveGroundFt, aboveGroundFt);
}

// An intruder `east` metres east of the own-ship and `aboveFt` above it, still, or climbing at
// `upFpm`.
TcasIntruder Near(std::uint64_t id, const TcasOwnShip& own, double east, double aboveFt,
                  double upFpm = 0) {
    const GeodeticPosition at = Displaced(own.aircraft.position, {0, east, aboveFt * kFt});
    return {id, {at, 0, 0, upFpm * kFpm}};
}

TcasAdvisoryKind KindOf(const TcasSystem& system, std::uint64_t id) {
    for (const TcasIntruderState& state : system.Intruders()) {
        if (state.id == id) {
            return state.advisory.kind;
        }
    }
    return TcasAdvisoryKind::None;
}

// Each inhibit holds at every height below its own and is lifted 100 ft above it; without a
// height above the ground there is none, and the level goes by the altitude.
TEST(TcasSystem, TheInhibitsNearTheGroundHoldBelowTheirHeightsWithHysteresis) {
    struct Step {
        std::optional<double> aboveGroundFt;
        int level;
        bool noDescend;
        bool silent;
    };
    const Step steps[] = {
        {std::nullopt, 5, false, false}, {1200, 3, false, false}, {1050, 3, true, false},
        {999, 2, true, false},           {1050, 2, true, false},  {1099.9, 2, true, false},
        {1100, 3, true, false},          {450, 2, true, true},    {550, 2, true, true},
        {600, 2, true, false},           {1199, 3, true, false},  {1200, 3, false, false},
        {2350, 5, false, false},         {450, 2, true, true},    {std::nullopt, 5, false, false},
    };
    TcasSystem system;
    for (const Step& s : steps) {
        const double agl = s.aboveGroundFt.value_or(1000);
        SCOPED_TRACE(s.aboveGroundFt ? agl : -1.0);
        system.Step(Own(kFieldFt + agl, s.aboveGroundFt), {}, 0);
        EXPECT_EQ(system.Thresholds().level, s.level);
        EXPECT_EQ(system.DescendInhibited(), s.noDescend);
        EXPECT_EQ(system.AuralInhibited(), s.silent);
    }
}

// Below 2350 ft above the ground the levels go by that height, above it by the pressure
// altitude, and never below level 4 there (an airport below sea level).
TEST(TcasSystem, TheLowestLevelsGoByTheHeightAboveTheGround) {
    struct Case {
        double pressureFt;
        double aboveGroundFt;
        bool taOnly;
        int level;
        double alimFt;
    };
    const Case cases[] = {{5600, 600, true, 2, 0},       {5600, 600, false, 3, 300},
                          {3000, 2349, false, 3, 300},   {3000, 2350, false, 4, 300},
                          {1000, 2500, false, 4, 300},   {7000, 2400, false, 5, 350},
                          {12000, 3000, false, 6, 400},  {30000, 29000, false, 7, 600},
                          {43000, 40000, false, 7, 700}, {400, 300, false, 3, 300}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pressureFt);
        const TcasThresholds t = ThresholdsFor(c.pressureFt * kFt, c.aboveGroundFt * kFt, c.taOnly);
        EXPECT_EQ(t.level, c.level);
        EXPECT_NEAR(t.alim, c.alimFt * kFt, 1e-9);
        EXPECT_EQ(t.raTau == 0, c.level == 2);
    }
}

// Below 1750 ft above the ground, an intruder less than 380 ft above the ground there is on it;
// one that says it is on the ground is, at any height.
TEST(TcasSystem, IntrudersOnTheGroundRaiseNothing) {
    struct Case {
        const char* what;
        double ownAboveGroundFt;
        double intruderAboveGroundFt;
        double upFpm;
        bool saysOnGround;
        TcasAdvisoryKind kind;
    };
    const Case cases[] = {
        {"379 ft above the ground", 1200, 379, 0, false, TcasAdvisoryKind::None},
        {"381 ft above the ground", 1200, 381, 0, false, TcasAdvisoryKind::Traffic},
        {"climbing fast from 300 ft, own-ship at 1749 ft", 1749, 300, 4000, false,
         TcasAdvisoryKind::None},
        {"climbing fast from 300 ft, own-ship at 1751 ft", 1751, 300, 4000, false,
         TcasAdvisoryKind::Traffic},
        {"says it is on the ground, level with the own-ship", 1200, 1200, 0, true,
         TcasAdvisoryKind::None},
    };
    for (const Case& c : cases) {
        TcasSystem system;
        const TcasOwnShip own = OverField(c.ownAboveGroundFt);
        TcasIntruder intruder =
            Near(7, own, 300, c.intruderAboveGroundFt - c.ownAboveGroundFt, c.upFpm);
        intruder.saysOnGround = c.saysOnGround;
        system.Step(own, {&intruder, 1}, 0);
        EXPECT_EQ(KindOf(system, 7), c.kind) << c.what;
    }
    // Where the ground is not known, the rule cannot be applied.
    TcasSystem system;
    const TcasIntruder low = Near(7, Own(5500, std::nullopt), 300, -700);
    system.Step(Own(5500, std::nullopt), {&low, 1}, 0);
    EXPECT_EQ(KindOf(system, 7), TcasAdvisoryKind::Traffic);
}

// Its height says nothing: a TA by range alone, never an RA.
TEST(TcasSystem, AnIntruderThatReportsNoAltitudeGetsATaByRangeAlone) {
    const TcasOwnShip own = Own(10000, std::nullopt);
    struct Case {
        const char* what;
        double east;
        double aboveFt;
        TcasAdvisoryKind kind;
    };
    const Case cases[] = {
        {"level, within DMOD", 300, 0, TcasAdvisoryKind::Traffic},
        {"5000 ft above by its height, within DMOD", 300, 5000, TcasAdvisoryKind::Traffic},
        {"still, 5 km away", 5000, 0, TcasAdvisoryKind::None},
    };
    for (const Case& c : cases) {
        TcasSystem system;
        TcasIntruder intruder = Near(3, own, c.east, c.aboveFt);
        intruder.reportsAltitude = false;
        system.Step(own, {&intruder, 1}, 0);
        EXPECT_EQ(KindOf(system, 3), c.kind) << c.what;
        EXPECT_EQ(system.Voice().kind, c.kind) << c.what;
    }
}

// Below 500 ft the voice says nothing; what stood there stays unsaid until it changes.
TEST(TcasSystem, TheVoiceIsSilentNearTheGroundAndDoesNotCatchUp) {
    TcasSystem system;
    double t = 0;
    auto at = [&](double aboveGroundFt) {
        const TcasOwnShip own = OverField(aboveGroundFt);
        const TcasIntruder level = Near(1, own, 300, 0);
        system.Step(own, {&level, 1}, t);
        t += 1;
    };
    at(450);
    EXPECT_EQ(system.Advisory().kind, TcasAdvisoryKind::Traffic);
    EXPECT_EQ(system.Voice().kind, TcasAdvisoryKind::None);
    at(650);
    EXPECT_FALSE(system.AuralInhibited());
    EXPECT_EQ(system.Advisory().kind, TcasAdvisoryKind::Traffic);
    EXPECT_EQ(system.Voice().kind, TcasAdvisoryKind::None);
    at(1250); // RAs again: the advisory changes, and is said
    EXPECT_EQ(system.Voice().kind, TcasAdvisoryKind::Resolution);
    EXPECT_EQ(system.Voice().sense, TcasSense::Climb);
}

// Each intruder keeps its own advisory; the strongest speaks; clear of conflict is said when the
// last RA ends and stands while only TAs already heard remain; a new TA is announced.
TEST(TcasSystem, EachIntruderKeepsItsAdvisoryAndTheStrongestSpeaks) {
    const TcasOwnShip own = Own(10000, std::nullopt);
    const TcasIntruder ra = Near(1, own, 300, 0);
    const TcasIntruder ta = Near(2, own, -300, 700);
    const TcasIntruder fresh = Near(3, own, 0, -700);
    TcasSystem system;
    struct Step {
        double t;
        std::vector<TcasIntruder> intruders;
        TcasAdvisoryKind first;
        TcasAdvisoryKind second;
        TcasAdvisoryKind voice;
    };
    using K = TcasAdvisoryKind;
    const Step steps[] = {
        {0, {ra, ta}, K::Resolution, K::Traffic, K::Resolution},
        {1, {ta}, K::Resolution, K::Traffic, K::Resolution}, // released after 2 s
        {2, {ta}, K::ClearOfConflict, K::Traffic, K::ClearOfConflict},
        {6, {ta}, K::None, K::Traffic, K::ClearOfConflict}, // only a TA already heard
        {7, {ta, fresh}, K::None, K::Traffic, K::Traffic},  // a new one is announced
        {8, {}, K::None, K::Traffic, K::Traffic},
        {10, {}, K::None, K::None, K::None},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.t);
        system.Step(own, s.intruders, s.t);
        EXPECT_EQ(KindOf(system, 1), s.first);
        EXPECT_EQ(KindOf(system, 2), s.second);
        EXPECT_EQ(system.Voice().kind, s.voice);
    }
    EXPECT_TRUE(system.Intruders().empty());
    EXPECT_FALSE(system.MultiThreat());
}

TEST(TcasSystem, TwoThreatsAtOnceShareOneSense) {
    const TcasOwnShip own = Own(10000, std::nullopt);
    const TcasIntruder intruders[] = {Near(1, own, 300, 100), Near(2, own, -300, -100)};
    TcasSystem system;
    system.Step(own, intruders, 0);
    ASSERT_TRUE(system.MultiThreat());
    ASSERT_EQ(system.Intruders().size(), 2u);
    EXPECT_EQ(system.Intruders()[0].advisory.sense, system.Intruders()[1].advisory.sense);
    EXPECT_EQ(system.Voice().kind, TcasAdvisoryKind::Resolution);
    EXPECT_FALSE(system.Voice().reversed);
    system.Reset();
    EXPECT_TRUE(system.Intruders().empty());
    EXPECT_EQ(system.Voice().kind, TcasAdvisoryKind::None);
}

// Near the ground an RA climbs where it would descend, and a descent that stands when the
// own-ship comes below 1100 ft turns round at once.
TEST(TcasSystem, NoDescentBelow1100Ft) {
    TcasSystem fresh;
    const TcasOwnShip low = OverField(1050);
    const TcasIntruder above = Near(1, low, 300, 100);
    fresh.Step(low, {&above, 1}, 0);
    EXPECT_EQ(fresh.Voice().kind, TcasAdvisoryKind::Resolution);
    EXPECT_EQ(fresh.Voice().sense, TcasSense::Climb);
    EXPECT_FALSE(fresh.Voice().reversed);

    TcasSystem standing;
    const TcasOwnShip high = OverField(1300);
    const TcasIntruder aboveHigh = Near(1, high, 300, 100);
    standing.Step(high, {&aboveHigh, 1}, 0);
    EXPECT_EQ(standing.Voice().sense, TcasSense::Descend);
    standing.Step(low, {&above, 1}, 1);
    EXPECT_EQ(standing.Voice().sense, TcasSense::Climb);
    EXPECT_TRUE(standing.Voice().reversed);
}

} // namespace
