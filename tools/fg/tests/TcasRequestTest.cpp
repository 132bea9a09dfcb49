// Encounters as the requests the bridge writes for them: when each advisory comes, which way an
// RA points, when it reverses and how an encounter ends.
#include "tools/fg/TcasRequest.h"

#include "tools/fg/tests/TcasRequestScript.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// The requests of an encounter with the own-ship, sampled ten times a second.
std::vector<std::int32_t> Requests(const Flight& intruder, double seconds) {
    return Requests(kOwn, intruder, seconds, 0.1);
}
TEST(TcasRequests, HeadOnAtTheSameLevelGivesATrafficAdvisoryFirst) {
    // 20 km apart, closing at 500 kt.
    const Flight intruder = HeadOn(20000, 200);
    double taAt = -1;
    double raAt = -1;
    TcasAdvisory advisory;
    for (double t = 0; t < 80 && raAt < 0; t += 0.1) {
        const TcasAircraft other = intruder.At(t);
        const TcasThreat threat = AssessIntruder(kOwn.At(t), other);
        advisory = NextAdvisory(advisory, threat, t);
        if (threat.level == TcasLevel::Traffic && taAt < 0) {
            taAt = t;
        }
        if (threat.level == TcasLevel::Resolution) {
            raAt = t;
        }
    }
    ASSERT_GT(taAt, 0);
    ASSERT_GT(raAt, 0);
    // The modified tau of the TA (45 s) comes about 15 s before the RA's (30 s).
    EXPECT_NEAR(raAt - taAt, 15, 1.0);
    EXPECT_EQ(RequestOf(advisory), 3); // DESCEND: the intruder is 200 ft above
}

TEST(TcasRequests, TheSenseOfTheRaIsAwayFromTheIntruder) {
    struct Case {
        const char* name;
        double aboveFt;
        double upFpm;
        std::int32_t request;
    };
    const Case cases[] = {
        {"intruder 300 ft above", 300, 0, 3},
        {"intruder 300 ft below", -300, 0, 1},
        {"intruder 1500 ft below climbing through", -1500, 2000, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::int32_t> requests =
            Requests(HeadOn(20000, c.aboveFt, 250, c.upFpm), 60);
        ASSERT_GE(requests.size(), 3u);
        EXPECT_EQ(requests[1], 0); // TRAFFIC first
        EXPECT_EQ(requests[2], c.request);
    }
}

TEST(TcasRequests, ThousandFeetApartAndDivergingIsNothing) {
    for (const double aboveFt : {1000.0, -1000.0}) {
        const double divergingFpm = aboveFt > 0 ? 1000 : -1000;
        EXPECT_EQ(Requests(HeadOn(30000, aboveFt, 250, divergingFpm), 120),
                  std::vector<std::int32_t>{10})
            << aboveFt;
    }
}

TEST(TcasRequests, AnIntruderThatPassesEndsWithClearOfConflictOnce) {
    const std::vector<std::int32_t> requests = Requests(HeadOn(20000, 200), 120);
    EXPECT_EQ(requests, (std::vector<std::int32_t>{10, 0, 3, 5, 10}));
}

// 700 ft above and level: inside the TA's altitude threshold (850 ft), outside the RA's (600 ft).
TEST(TcasRequests, ATrafficAdvisoryAloneEndsInSilenceWithoutClearOfConflict) {
    const std::vector<std::int32_t> requests = Requests(HeadOn(20000, 700), 120);
    EXPECT_EQ(requests, (std::vector<std::int32_t>{10, 0, 10}));
}

// The intruder above starts to descend hard through the own-ship's level: the descent RA
// turns into CLIMB NOW.
TEST(TcasRequests, AnRaReversesWhenTheIntruderReversesTheGeometry) {
    TcasAdvisory advisory;
    const Flight level = HeadOn(15000, 300);
    std::vector<std::int32_t> requests = {10};
    for (double t = 0; t < 45; t += 0.1) {
        TcasAircraft other = level.At(t);
        if (t > 32) { // from 32 s on, after the RA, down at 6000 ft/min
            other.position.height -= (t - 32) * 6000 * kFt / 60;
            other.up = -6000 * kFt / 60;
        }
        advisory = NextAdvisory(advisory, WorstThreat(kOwn.At(t), {&other, 1}), t);
        if (RequestOf(advisory) != requests.back()) {
            requests.push_back(RequestOf(advisory));
        }
    }
    ASSERT_GE(requests.size(), 4u);
    EXPECT_EQ(requests[2], 3); // DESCEND
    EXPECT_EQ(requests[3], 2); // CLIMB NOW
}

// The worst threat scripted: each step a level, a sense and a time to the closest approach for
// `seconds` s at 1 s steps, the intruder well past the reversal margin on its side.
struct RaStep {
    TcasLevel level;
    TcasSense sense;
    double timeToClosest;
    int seconds;
};

std::vector<std::int32_t> Script(std::initializer_list<RaStep> steps) {
    std::vector<std::int32_t> requests = {10};
    TcasAdvisory advisory;
    int t = 0;
    for (const RaStep& step : steps) {
        for (int i = 0; i < step.seconds; ++i, ++t) {
            TcasThreat threat;
            threat.level = step.level;
            threat.sense = step.sense;
            threat.timeToClosest = step.timeToClosest;
            threat.altitudeAtClosest = step.sense == TcasSense::Descend ? 100 : -100;
            advisory = NextAdvisory(advisory, threat, t);
            if (RequestOf(advisory) != requests.back()) {
                requests.push_back(RequestOf(advisory));
            }
        }
    }
    return requests;
}

TEST(TcasRequests, AnRaReversesOncePerEncounterAndOnlyBeforeTheClosestApproach) {
    constexpr auto kRa = TcasLevel::Resolution;
    constexpr auto kTa = TcasLevel::Traffic;
    constexpr auto kNone = TcasLevel::None;
    constexpr auto kUp = TcasSense::Climb;
    constexpr auto kDown = TcasSense::Descend;
    struct Case {
        const char* name;
        std::vector<std::int32_t> requests;
        std::vector<std::int32_t> expected;
    };
    const Case cases[] = {
        {"the geometry turns twice before the closest approach",
         Script({{kRa, kUp, 20, 3}, {kRa, kDown, 17, 3}, {kRa, kUp, 14, 3}, {kNone, kUp, 0, 9}}),
         {10, 1, 4, 5, 10}},
        {"the geometry turns after the closest approach",
         Script({{kRa, kUp, 5, 5}, {kRa, kDown, 0, 5}, {kNone, kUp, 0, 9}}),
         {10, 1, 5, 10}},
        {"the RA comes back after clear of conflict with the other sense",
         Script({{kRa, kUp, 20, 3},
                 {kRa, kDown, 17, 3},
                 {kTa, kUp, 0, 3},
                 {kRa, kUp, 10, 3},
                 {kNone, kUp, 0, 9}}),
         {10, 1, 4, 5, 3, 5, 10}},
        {"after clear of conflict the RA keeps its sense past the closest approach",
         Script({{kRa, kUp, 5, 3}, {kTa, kUp, 0, 3}, {kRa, kDown, 0, 3}, {kNone, kUp, 0, 9}}),
         {10, 1, 5, 1, 5, 10}},
        {"a new encounter may reverse again",
         Script({{kRa, kUp, 20, 3},
                 {kRa, kDown, 17, 3},
                 {kNone, kUp, 0, 9},
                 {kRa, kUp, 20, 3},
                 {kRa, kDown, 17, 3}}),
         {10, 1, 4, 5, 10, 1, 4}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.requests, c.expected) << c.name;
    }
}

// An intruder that flickers around a threshold does not set the voice off again and again.
TEST(TcasRequests, AThreatThatComesAndGoesBrieflyKeepsItsAdvisory) {
    TcasThreat traffic;
    traffic.level = TcasLevel::Traffic;
    const TcasThreat none;
    TcasAdvisory advisory;
    int changes = 0;
    std::int32_t last = 10;
    for (int i = 0; i < 100; ++i) {
        const double t = i * 0.1;
        advisory = NextAdvisory(advisory, i % 10 < 5 ? traffic : none, t); // 0.5 s each
        changes += RequestOf(advisory) != last ? 1 : 0;
        last = RequestOf(advisory);
    }
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(last, 0);
}

TEST(TcasRequests, RequestNamesAreTheVoicesWords) {
    EXPECT_STREQ(RequestName(0), "TRAFFIC");
    EXPECT_STREQ(RequestName(2), "CLIMB NOW");
    EXPECT_STREQ(RequestName(5), "CLEAR OF CONFLICT");
    EXPECT_STREQ(RequestName(10), "silence");
    EXPECT_STREQ(RequestName(7), "no request");
}

} // namespace
