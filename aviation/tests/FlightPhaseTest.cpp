#include "aviation/FlightPhase.h"
#include "aviation/AircraftMotion.h"
#include "aviation/tests/AirportScript.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

struct Step {
    TrafficFix fix;
    bool onGround;
};

// The phases an aircraft goes through when its fixes come every 10 s.
std::vector<FlightPhase> PhasesOf(const std::vector<Step>& steps, const AirportIndex& airports,
                                  FlightClass kind = FlightClass::Jet) {
    AircraftMotion motion;
    std::vector<FlightPhase> phases;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        MotionContext context;
        context.airports = &airports;
        context.kind = kind;
        context.onGround = steps[i].onGround;
        const double t = 10.0 * static_cast<double>(i);
        if (i == 0) {
            motion.Start(steps[i].fix, t, context);
        } else {
            motion.Update(steps[i].fix, t, t, context);
        }
        phases.push_back(motion.Phase());
    }
    return phases;
}

std::vector<std::string> Names(const std::vector<FlightPhase>& phases) {
    std::vector<std::string> names;
    for (const FlightPhase phase : phases) {
        names.emplace_back(PhaseName(phase));
    }
    return names;
}

// From a stand north of runway 08L, out to it, the take-off roll, the climb-out and away.
std::vector<Step> Departure(const RunwayFrame& runway) {
    const double ground = 0;
    return {
        {FixIn(runway, {400, -300, ground}, 0, 0, 90), true},
        {FixIn(runway, {300, -150, ground}, 8, 0, 90), true},
        {FixIn(runway, {20, 0, ground}, 4, 0), true},
        {FixIn(runway, {300, 2, ground}, 30, 0), false},
        {FixIn(runway, {1200, 1, ground}, 55, 0), false},
        {FixIn(runway, {3000, 0, 300 * kFoot}, 80, 10), false},
        {FixIn(runway, {4800, 0, 1500 * kFoot}, 85, 10), false},
        {FixIn(runway, {8000, 0, 4000 * kFoot}, 120, 12), false},
    };
}

// Onto runway 26R from the east: en route, an approach from the side, the final, the roll-out,
// off the runway and to a stand.
std::vector<Step> Arrival(const RunwayFrame& runway) {
    return {
        {FixIn(runway, {-20 * kNm, 0, 9000 * kFoot}, 150, 0), false},
        {FixIn(runway, {-9 * kNm, -1.5 * kNm, 4000 * kFoot}, 110, -6, -30), false},
        {FixIn(runway, {-6 * kNm, 0.1 * kNm, 1900 * kFoot}, 75, -4), false},
        {FixIn(runway, {-2 * kNm, 10, 640 * kFoot}, 70, -3.7), false},
        {FixIn(runway, {600, 3, 0}, 60, 0), true},
        {FixIn(runway, {1500, 0, 0}, 15, 0), true},
        {FixIn(runway, {1800, -200, 0}, 8, 0, -90), true},
        {FixIn(runway, {1700, -400, 0}, 0, 0, -90), true},
    };
}

TEST(FlightPhase, DepartureFromStandToEnRoute) {
    const auto airports = HonoluluAlone();
    EXPECT_EQ(Names(PhasesOf(Departure(FrameNamed(*airports, "08L")), *airports)),
              (std::vector<std::string>{"parked", "taxi", "taxi", "take-off roll", "take-off roll",
                                        "climb-out", "climb-out", "en route"}));
}

TEST(FlightPhase, ArrivalFromEnRouteToStand) {
    const auto airports = HonoluluAlone();
    EXPECT_EQ(Names(PhasesOf(Arrival(FrameNamed(*airports, "26R")), *airports)),
              (std::vector<std::string>{"en route", "approach", "final", "final", "landing roll",
                                        "landing roll", "taxi", "parked"}));
}

// A helicopter flies the same tracks without ever lining up on the runway: no final, no rolls.
TEST(FlightPhase, HelicoptersNeverUseTheRunways) {
    const auto airports = HonoluluAlone();
    const std::vector<FlightPhase> out =
        PhasesOf(Departure(FrameNamed(*airports, "08L")), *airports, FlightClass::Helicopter);
    const std::vector<FlightPhase> in =
        PhasesOf(Arrival(FrameNamed(*airports, "26R")), *airports, FlightClass::Helicopter);
    for (const auto& phases : {out, in}) {
        for (const FlightPhase phase : phases) {
            EXPECT_NE(phase, FlightPhase::Final);
            EXPECT_NE(phase, FlightPhase::TakeOffRoll);
            EXPECT_NE(phase, FlightPhase::LandingRoll);
        }
    }
    EXPECT_EQ(in[3], FlightPhase::Approach);
}

// The same roll is a light single's take-off at 30 kt and taxiing for a jet.
TEST(FlightPhase, EachClassHasItsOwnThresholds) {
    const PhaseInput rolling{0, 0, 30 * kKnot, true, true, 1.0, false};
    EXPECT_EQ(NextPhase(FlightPhase::Taxi, rolling, LimitsOf(FlightClass::Piston)),
              FlightPhase::TakeOffRoll);
    EXPECT_EQ(NextPhase(FlightPhase::Taxi, {0, 0, 20 * kKnot, true, true, 1.0, false},
                        LimitsOf(FlightClass::Jet)),
              FlightPhase::Taxi);
    // 2000 ft above the field climbing: a jet's climb-out, a light single's en route.
    const PhaseInput climbing{2000 * kFoot, 5, 60, false, false, 0, false};
    EXPECT_EQ(NextPhase(FlightPhase::EnRoute, climbing, LimitsOf(FlightClass::Jet)),
              FlightPhase::ClimbOut);
    EXPECT_EQ(NextPhase(FlightPhase::EnRoute, climbing, LimitsOf(FlightClass::Piston)),
              FlightPhase::EnRoute);
    for (const FlightClass kind :
         {FlightClass::Jet, FlightClass::Turboprop, FlightClass::Piston, FlightClass::Helicopter}) {
        const PhaseLimits& limits = LimitsOf(kind);
        EXPECT_LT(limits.parkedSpeed, limits.taxiSpeed);
        EXPECT_LT(limits.climbOutHeight, limits.approachHeight);
        if (limits.usesRunways) {
            EXPECT_LT(limits.taxiSpeed, limits.rollSpeed);
            EXPECT_LT(limits.rollSpeed, limits.liftOffSpeed);
        }
    }
}

// What one fix cannot tell the phase before decides: a level stretch keeps a climb-out or an
// approach, a roll is a landing's after a final and a take-off's when it gains speed.
TEST(FlightPhase, ThePhaseBeforeDecidesWhatAFixCannotTell) {
    const PhaseLimits& jet = LimitsOf(FlightClass::Jet);
    const PhaseInput level{1500 * kFoot, 0, 90, false, false, 0, false};
    EXPECT_EQ(NextPhase(FlightPhase::ClimbOut, level, jet), FlightPhase::ClimbOut);
    EXPECT_EQ(NextPhase(FlightPhase::Approach, level, jet), FlightPhase::Approach);
    EXPECT_EQ(NextPhase(FlightPhase::EnRoute, level, jet), FlightPhase::EnRoute);
    const PhaseInput fastOnRunway{0, 0, 50, true, true, NAN, false};
    EXPECT_EQ(NextPhase(FlightPhase::Final, fastOnRunway, jet), FlightPhase::LandingRoll);
    EXPECT_EQ(NextPhase(FlightPhase::Taxi, fastOnRunway, jet), FlightPhase::TakeOffRoll);
    const PhaseInput slowing{0, 0, 50, true, true, -2.0, false};
    EXPECT_EQ(NextPhase(FlightPhase::Taxi, slowing, jet), FlightPhase::LandingRoll);
    // No field near: en route whatever the height.
    EXPECT_EQ(NextPhase(FlightPhase::Approach, {NAN, -5, 90, false, false, 0, false}, jet),
              FlightPhase::EnRoute);
}

} // namespace
