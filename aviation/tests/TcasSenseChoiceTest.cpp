// The own-ship's modelled answer to an RA, and the sense chosen (or turned round) against
// several threats from the separation each sense gives at each closest approach.

#include "aviation/TcasSenseChoice.h"

#include "aviation/tests/TcasScript.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr double kG = kStandardGravity;

// A threat `aboveFt` above the own-ship now, its altitude growing at `upFpm`, meeting it in
// `seconds`, with the range tau `tau`.
TcasThreat Threat(double aboveFt, double upFpm, double seconds, double tau = 0) {
    TcasThreat t;
    t.level = TcasLevel::Resolution;
    t.altitude = aboveFt * kFt;
    t.altitudeRate = upFpm * kFpm;
    t.timeToClosest = seconds;
    t.tau = tau;
    t.altitudeAtClosest = t.altitude + t.altitudeRate * seconds;
    return t;
}

TEST(TcasSenseChoice, TheOwnShipAnswersAfterItsDelayUpToItsRate) {
    const double rate = 1500 * kFpm;
    const double accelerating = rate / (0.25 * kG);
    struct Case {
        const char* what;
        double ownFpm;
        TcasSense sense;
        double seconds;
        double metres;
    };
    const Case cases[] = {
        {"within the delay", 0, TcasSense::Climb, 4.9, 0},
        {"accelerating", 0, TcasSense::Climb, 7, 0.5 * 0.25 * kG * 4},
        {"at its rate", 0, TcasSense::Climb, 35, rate * (30 - accelerating / 2)},
        {"descending", 0, TcasSense::Descend, 35, -rate * (30 - accelerating / 2)},
        {"already climbing faster", 2000, TcasSense::Climb, 35, 0},
        {"climbing, told to descend", 2000, TcasSense::Descend, 60,
         -3500 * kFpm * (55 - 3500 * kFpm / (0.25 * kG) / 2)},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(ResponseDeparture(c.ownFpm * kFpm, c.sense, kTcasNewResponse, c.seconds),
                    c.metres, 1e-9)
            << c.what;
    }
    // A reversal is answered sooner and harder.
    EXPECT_GT(ResponseDeparture(0, TcasSense::Climb, kTcasReversalResponse, 20),
              ResponseDeparture(0, TcasSense::Climb, kTcasNewResponse, 20) * 1.4);
}

TEST(TcasSenseChoice, SeparationIsOnTheSideTheSenseTakesTheOwnShipTo) {
    // 200 ft above now, 100 ft below at the closest approach.
    const TcasThreat above = Threat(200, -600, 30);
    const double d = ResponseDeparture(0, TcasSense::Climb, kTcasNewResponse, 30);
    const double there = (200 - 300) * kFt;
    EXPECT_NEAR(SeparationAgainst(above, 0, TcasSense::Climb, kTcasNewResponse), d - there, 1e-9);
    EXPECT_NEAR(SeparationAgainst(above, 0, TcasSense::Descend, kTcasNewResponse), there + d, 1e-9);
    // Past the closest approach: as it stands now.
    const TcasThreat past = Threat(-200, 0, 0);
    EXPECT_NEAR(SeparationAgainst(past, 0, TcasSense::Climb, kTcasNewResponse), 200 * kFt, 1e-9);
}

TEST(TcasSenseChoice, OneSenseAgainstEveryThreat) {
    constexpr double kAlim = 400 * kFt; // level 6
    struct Case {
        const char* what;
        std::vector<TcasThreat> threats;
        bool descendAllowed;
        TcasSense sense;
    };
    const Case cases[] = {
        {"one just above, one well below: only climbing clears both",
         {Threat(150, 0, 36, 30), Threat(-450, 0, 36, 30)},
         true,
         TcasSense::Climb},
        {"one well above, one just below: only descending clears both",
         {Threat(450, 0, 36, 30), Threat(-150, 0, 36, 30)},
         true,
         TcasSense::Descend},
        {"both clear: the sense that crosses neither",
         {Threat(50, 0, 60, 50), Threat(300, 0, 60, 50)},
         true,
         TcasSense::Descend},
        {"both clear and both cross: the larger least separation",
         {Threat(100, 0, 60, 50), Threat(-150, 0, 60, 50)},
         true,
         TcasSense::Climb},
        {"neither clears: away from the most urgent, above",
         {Threat(300, 0, 15, 10), Threat(-300, 0, 25, 20)},
         true,
         TcasSense::Descend},
        {"neither clears: away from the most urgent, below",
         {Threat(300, 0, 25, 20), Threat(-300, 0, 15, 10)},
         true,
         TcasSense::Climb},
        {"near the ground: never a descent",
         {Threat(450, 0, 36, 30), Threat(-150, 0, 36, 30)},
         false,
         TcasSense::Climb},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseSense({c.threats, 0, kAlim, c.descendAllowed}), c.sense) << c.what;
    }
}

TEST(TcasSenseChoice, AStandingRaTurnsRoundOnlyWhereTheOtherSenseClearsInTime) {
    constexpr double kAlim = 400 * kFt;
    // 100 ft above and climbing with the own-ship at 2000 ft/min: climbing no longer clears it.
    const std::vector<TcasThreat> chasing = {Threat(100, 2000, 20)};
    EXPECT_TRUE(ShouldReverse({chasing, 0, kAlim, true}, TcasSense::Climb));
    EXPECT_FALSE(ShouldReverse({chasing, 0, kAlim, false}, TcasSense::Climb)) << "the ground";
    const std::vector<TcasThreat> past = {Threat(100, 2000, 0)};
    EXPECT_FALSE(ShouldReverse({past, 0, kAlim, true}, TcasSense::Climb)) << "past it";
    const std::vector<TcasThreat> clear = {Threat(-300, 0, 30)};
    EXPECT_FALSE(ShouldReverse({clear, 0, kAlim, true}, TcasSense::Climb)) << "still clear";
    // Turning round would fly into the other one.
    const std::vector<TcasThreat> boxed = {Threat(100, 2000, 20), Threat(-500, 0, 20)};
    EXPECT_FALSE(ShouldReverse({boxed, 0, kAlim, true}, TcasSense::Climb)) << "boxed in";
    // A descent near the ground is never the one turned to, but a climb may be.
    const std::vector<TcasThreat> sinking = {Threat(-100, -2000, 20)};
    EXPECT_TRUE(ShouldReverse({sinking, 0, kAlim, false}, TcasSense::Descend));
}

} // namespace
