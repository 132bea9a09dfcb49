// Whole encounters played second by second against the own-ship east-bound at 12000 ft and
// 250 kt (sensitivity level 6, HMD 4861 ft = 1481.6 m): the requests each must give, in order.

#include "tools/fg/tests/TcasRequestScript.h"

#include <gtest/gtest.h>

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
