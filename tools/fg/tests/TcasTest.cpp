#include "tools/fg/Tcas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr double kFt = kMetresPerFoot;
constexpr double kKt = 1852.0 / 3600.0;

// An aircraft flying straight: its state at time t.
struct Flight {
    GeodeticPosition start;
    double north; // m/s
    double east;
    double up;

    TcasAircraft At(double t) const {
        return {Displaced(start, {north * t, east * t, up * t}), north, east, up};
    }
};

// Own-ship east-bound at 12000 ft and 250 kt, the sensitivity level 6 band.
const Flight kOwn{{50.45, 0.01, 12000 * kFt}, 0, 250 * kKt, 0};

// An intruder `ahead` metres ahead of the own-ship, `above` feet higher, west-bound at `knots`.
Flight HeadOn(double ahead, double aboveFt, double knots = 250, double upFpm = 0) {
    return {Displaced(kOwn.start, {0, ahead, aboveFt * kFt}), 0, -knots * kKt, upFpm * kFt / 60};
}

// The requests of an encounter, each change once, sampled ten times a second.
std::vector<std::int32_t> Requests(const Flight& intruder, double seconds) {
    std::vector<std::int32_t> requests = {10};
    TcasAdvisory advisory;
    for (double t = 0; t <= seconds; t += 0.1) {
        const TcasAircraft other = intruder.At(t);
        advisory = NextAdvisory(advisory, WorstThreat(kOwn.At(t), {&other, 1}), t);
        if (RequestOf(advisory) != requests.back()) {
            requests.push_back(RequestOf(advisory));
        }
    }
    return requests;
}

TEST(Tcas, SensitivityLevelsFollowTheOwnAltitude) {
    struct Case {
        double altitudeFt;
        int level;
        double taTau;
        double raTau;
        double raZthrFt;
    };
    const Case cases[] = {{500, 2, 20, 0, 0},     {1500, 3, 25, 15, 600},  {3000, 4, 30, 20, 600},
                          {9999, 5, 40, 25, 600}, {10000, 6, 45, 30, 600}, {30000, 7, 48, 35, 700},
                          {45000, 7, 48, 35, 800}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.altitudeFt);
        const TcasThresholds t = ThresholdsFor(c.altitudeFt);
        EXPECT_EQ(t.level, c.level);
        EXPECT_EQ(t.taTau, c.taTau);
        EXPECT_EQ(t.raTau, c.raTau);
        EXPECT_NEAR(t.raZthr, c.raZthrFt * kFt, 1e-9);
    }
    EXPECT_NEAR(ThresholdsFor(15000).taDmod, 1852.0, 1e-9);
    EXPECT_NEAR(ThresholdsFor(15000).raDmod, 0.8 * 1852.0, 1e-9);
}

TEST(Tcas, HeadOnAtTheSameLevelGivesATrafficAdvisoryFirst) {
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

TEST(Tcas, TheSenseOfTheRaIsAwayFromTheIntruder) {
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

TEST(Tcas, ThousandFeetApartAndDivergingIsNothing) {
    for (const double aboveFt : {1000.0, -1000.0}) {
        const double divergingFpm = aboveFt > 0 ? 1000 : -1000;
        EXPECT_EQ(Requests(HeadOn(30000, aboveFt, 250, divergingFpm), 120),
                  std::vector<std::int32_t>{10})
            << aboveFt;
    }
}

TEST(Tcas, AnIntruderThatPassesEndsWithClearOfConflictOnce) {
    const std::vector<std::int32_t> requests = Requests(HeadOn(20000, 200), 120);
    EXPECT_EQ(requests, (std::vector<std::int32_t>{10, 0, 3, 5, 10}));
}

// 700 ft above and level: inside the TA's altitude threshold (850 ft), outside the RA's (600 ft).
TEST(Tcas, ATrafficAdvisoryAloneEndsInSilenceWithoutClearOfConflict) {
    const std::vector<std::int32_t> requests = Requests(HeadOn(20000, 700), 120);
    EXPECT_EQ(requests, (std::vector<std::int32_t>{10, 0, 10}));
}

// The intruder above starts to descend hard through the own-ship's level: the descent RA
// turns into CLIMB NOW.
TEST(Tcas, AnRaReversesWhenTheIntruderReversesTheGeometry) {
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

// An intruder that flickers around a threshold does not set the voice off again and again.
TEST(Tcas, AThreatThatComesAndGoesBrieflyKeepsItsAdvisory) {
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

TEST(Tcas, TheWorstOfSeveralIntrudersCounts) {
    const TcasAircraft own = kOwn.At(0);
    const TcasAircraft far = HeadOn(40000, 0).At(0);
    const TcasAircraft near = HeadOn(5000, -200).At(0);
    const TcasAircraft list[] = {far, near, far};
    const TcasThreat worst = WorstThreat(own, list);
    EXPECT_EQ(worst.level, TcasLevel::Resolution);
    EXPECT_EQ(worst.sense, TcasSense::Climb);
    EXPECT_EQ(WorstThreat(own, {}).level, TcasLevel::None);
}

TEST(Tcas, RequestNamesAreTheVoicesWords) {
    EXPECT_STREQ(RequestName(0), "TRAFFIC");
    EXPECT_STREQ(RequestName(2), "CLIMB NOW");
    EXPECT_STREQ(RequestName(5), "CLEAR OF CONFLICT");
    EXPECT_STREQ(RequestName(10), "silence");
    EXPECT_STREQ(RequestName(7), "no request");
}

} // namespace
