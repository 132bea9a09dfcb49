// Whole encounters played second by second, the requests each must give, in order: one intruder
// against the own-ship east-bound at 12000 ft and 250 kt (sensitivity level 6, HMD 4861 ft =
// 1481.6 m), then the whole system with several intruders and with the ground.

#include "tools/fg/tests/TcasRequestScript.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

namespace {

constexpr std::int32_t kSilence = 10;
constexpr std::int32_t kTraffic = 0;
constexpr std::int32_t kClimb = 1;
constexpr std::int32_t kDescend = 3;
constexpr std::int32_t kDescendNow = 4;
constexpr std::int32_t kClear = 5;
constexpr double kHmd = 4861 * kFt;

// Crossing from the left at right angles, both at 250 kt, meeting where the own-ship is at 60 s;
// the intruder 1500 ft below and climbing at 2000 ft/min, so 500 ft above there.
Flight ClimbingThroughFromTheLeft() {
    const double speed = 250 * kKt;
    return {Displaced(kOwn.start, {60 * speed, 60 * speed, -1500 * kFt}), -speed, 0, 2000 * kFpm};
}

// 1900 ft above and descending at 2000 ft/min, so 700 ft below at the closest approach (78 s):
// the RA says climb (at 47 s). It levels off at `levelOffAt` s, still above the own-ship.
Flight DescendingThenLevel(double levelOffAt) {
    Flight f = HeadOn(20000, 1900, 250, -2000);
    f.levelOffAt = levelOffAt;
    return f;
}

// From 3000 m behind, 40 m/s faster, climbing at 1000 ft/min: 300 ft below at the closest
// approach (75 s), then on up through the own-ship's level 18 s later.
Flight OvertakingFromBehind() {
    return {Displaced(kOwn.start, {0, -3000, (-300 - 75.0 * 1000 / 60) * kFt}), 0, 250 * kKt + 40,
            1000 * kFpm};
}

struct Encounter {
    const char* name;
    Flight intruder;
    double seconds;
    std::vector<std::int32_t> requests;
};

TEST(TcasEncounters, EachGivesItsRequestsInOrder) {
    const Encounter encounters[] = {
        {"head-on at the same level",
         HeadOn(20000, 0),
         120,
         {kSilence, kTraffic, kClimb, kClear, kSilence}},
        {"1000 ft above and climbing away", HeadOn(20000, 1000, 250, 1000), 120, {kSilence}},
        {"1000 ft below and descending away", HeadOn(20000, -1000, 250, -1000), 120, {kSilence}},
        {"crossing, climbing through the own level",
         ClimbingThroughFromTheLeft(),
         100,
         {kSilence, kTraffic, kDescend, kClear, kSilence}},
        {"head-on 1.0 NM abeam at the same level",
         HeadOn(20000, 0, 250, 0, 1852),
         120,
         {kSilence, kTraffic, kSilence}},
        {"head-on 30 m inside the HMD abeam",
         HeadOn(20000, 200, 250, 0, kHmd - 30),
         120,
         {kSilence, kTraffic, kDescend, kClear, kSilence}},
        {"head-on 30 m outside the HMD abeam",
         HeadOn(20000, 200, 250, 0, kHmd + 30),
         120,
         {kSilence, kTraffic, kSilence}},
        {"levels off above before the closest approach",
         DescendingThenLevel(50),
         120,
         {kSilence, kTraffic, kClimb, kDescendNow, kClear, kSilence}},
        {"steady overtake, climbing through after the closest approach",
         OvertakingFromBehind(),
         160,
         {kSilence, kTraffic, kClimb, kClear, kSilence}},
    };
    for (const Encounter& e : encounters) {
        EXPECT_EQ(Requests(kOwn, e.intruder, e.seconds, 1.0), e.requests) << e.name;
    }
}

} // namespace

// The whole system, encounters with several intruders and with the ground, at 1 s steps.
namespace {

constexpr double kDenverFt = 5434;
constexpr double kHeathrowFt = 83;

// Level (or descending at `upFpm`) at 140 kt east-bound, `aboveGroundFt` over a field at
// `fieldFt`.
Flight Approach(double fieldFt, double aboveGroundFt, double upFpm = 0) {
    return {{51.47, -0.60, (fieldFt + aboveGroundFt) * kFt}, 0, 140 * kKt, upFpm * kFpm};
}

// An intruder `ahead` metres ahead of `own` and `abeam` to its left, `aboveFt` above it,
// west-bound at `knots`.
Flight Ahead(const Flight& own, double ahead, double abeam, double aboveFt, double knots) {
    return {Displaced(own.start, {abeam, ahead, aboveFt * kFt}), 0, -knots * kKt, 0};
}

struct SystemEncounter {
    const char* name;
    SystemScript script;
    double seconds;
    std::vector<std::int32_t> requests;
};

TEST(TcasEncounters, SeveralIntrudersAndTheGroundGiveTheirRequestsInOrder) {
    const Flight final3 = Approach(kHeathrowFt, 1000, -742); // a 3° slope at 140 kt
    const Flight at600 = Approach(kDenverFt, 600);
    const Flight at1050 = Approach(kDenverFt, 1050);
    const double heathrow = kHeathrowFt * kFt;
    const double denver = kDenverFt * kFt;
    const SystemEncounter encounters[] = {
        {"head-on at the same level, reporting no altitude",
         {kOwn, {{1, HeadOn(20000, 0), false}}},
         120,
         {kSilence, kTraffic, kSilence}},
        {"a threat ahead and a slower one in trail behind it: one RA, flown, handed from the "
         "first to the second, and one clear of conflict",
         {kOwn, {{1, HeadOn(20000, 200)}, {2, HeadOn(21000, -300, 150)}}, std::nullopt, true},
         160,
         {kSilence, kTraffic, kDescend, kClear, kSilence}},
        {"600 ft above Denver, traffic 200 ft below: a TA only",
         {at600, {{1, Ahead(at600, 5000, 100, -200, 120)}}, denver},
         90,
         {kSilence, kTraffic, kSilence}},
        {"the same with the ground not known: the altitude alone says level 5",
         {at600, {{1, Ahead(at600, 5000, 100, -200, 120)}}},
         90,
         {kSilence, kTraffic, kClimb, kClear, kSilence}},
        {"1050 ft above Denver, traffic 200 ft above: a climb, never a descent",
         {at1050, {{1, Ahead(at1050, 5000, 100, 200, 120)}}, denver},
         90,
         {kSilence, kTraffic, kClimb, kClear, kSilence}},
        {"the same with the ground not known",
         {at1050, {{1, Ahead(at1050, 5000, 100, 200, 120)}}},
         90,
         {kSilence, kTraffic, kDescend, kClear, kSilence}},
        {"landing, an aircraft on the runway ahead: nothing",
         {final3, {{1, Ahead(final3, 4000, 0, -1000, 0)}}, heathrow},
         70,
         {kSilence}},
        {"the same, the aircraft reporting no altitude but that it is on the ground",
         {final3, {{1, Ahead(final3, 4000, 0, -1000, 0), false, true}}, heathrow},
         70,
         {kSilence}},
        {"the same with the ground not known: a TA",
         {final3, {{1, Ahead(final3, 4000, 0, -1000, 0)}}},
         70,
         {kSilence, kTraffic, kSilence}},
    };
    for (const SystemEncounter& e : encounters) {
        EXPECT_EQ(SystemRequests(e.script, e.seconds), e.requests) << e.name;
    }
}

// Meeting together, one 150 ft above and one 450 ft below: descending away from the one above
// would not clear the one below, climbing clears both. One climb, flown, no reversal, and at
// each closest approach the own-ship passes at least ALIM (400 ft) from it.
TEST(TcasEncounters, TwoThreatsAboveAndBelowGetOneRaThatClearsBoth) {
    const SystemScript script{
        kOwn,
        {{1, HeadOn(20000, 150, 250, 0, 300)}, {2, HeadOn(20000, -450, 250, 0, -300)}},
        std::nullopt,
        true};
    EXPECT_EQ(SystemRequests(script, 120),
              (std::vector<std::int32_t>{kSilence, kTraffic, kClimb, kClear, kSilence}));
    double nearest[2] = {INFINITY, INFINITY};
    double apartThere[2] = {0, 0};
    bool multi = false;
    PlaySystem(script, 120, 0.25,
               [&](double, const TcasSystem& system, const TcasAircraft& own,
                   const std::vector<TcasIntruder>& intruders) {
                   multi = multi || system.MultiThreat();
                   for (int k = 0; k < 2; ++k) {
                       const LocalOffset d =
                           OffsetBetween(own.position, intruders[k].aircraft.position);
                       if (std::hypot(d.north, d.east) < nearest[k]) {
                           nearest[k] = std::hypot(d.north, d.east);
                           apartThere[k] = std::fabs(d.up);
                       }
                   }
               });
    EXPECT_TRUE(multi);
    EXPECT_GE(apartThere[0], 400 * kFt);
    EXPECT_GE(apartThere[1], 400 * kFt);
}

} // namespace
