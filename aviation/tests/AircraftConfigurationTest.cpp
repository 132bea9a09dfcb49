#include "aviation/AircraftConfiguration.h"
#include "aviation/AircraftMotion.h"
#include "aviation/tests/AirportScript.h"

#include <gtest/gtest.h>

namespace {

TEST(AircraftConfiguration, SetByThePhase) {
    const PhaseLimits& jet = LimitsOf(FlightClass::Jet);
    // The gear: down on the ground and on the final, on an approach only below 2000 ft.
    EXPECT_EQ(TargetOf(FlightPhase::Approach, 2500 * kFoot, false, jet).gear, 0);
    EXPECT_EQ(TargetOf(FlightPhase::Approach, 1500 * kFoot, false, jet).gear, 1);
    EXPECT_EQ(TargetOf(FlightPhase::Final, 2500 * kFoot, false, jet).gear, 1);
    EXPECT_EQ(TargetOf(FlightPhase::Taxi, 0, false, jet).gear, 1);
    EXPECT_EQ(TargetOf(FlightPhase::ClimbOut, 500 * kFoot, false, jet).gear, 0);
    EXPECT_EQ(TargetOf(FlightPhase::EnRoute, NAN, false, jet).gear, 0);
    // The flaps by phase, the speed brake on the landing roll alone.
    EXPECT_EQ(TargetOf(FlightPhase::EnRoute, NAN, false, jet).flaps, 0);
    EXPECT_GT(TargetOf(FlightPhase::TakeOffRoll, 0, false, jet).flaps, 0);
    EXPECT_EQ(TargetOf(FlightPhase::Final, 0, false, jet).flaps, 1);
    EXPECT_EQ(TargetOf(FlightPhase::LandingRoll, 0, false, jet).speedBrake, 1);
    EXPECT_EQ(TargetOf(FlightPhase::Final, 0, false, jet).speedBrake, 0);
    // Engines: full power for the take-off, idle taxiing, off at the gate; a jet has no rpm, a
    // piston no n1.
    EXPECT_EQ(TargetOf(FlightPhase::TakeOffRoll, 0, false, jet).n1, jet.fullN1);
    EXPECT_GT(TargetOf(FlightPhase::Taxi, 0, false, jet).n1, jet.idleN1);
    EXPECT_EQ(TargetOf(FlightPhase::Parked, 0, true, jet).n1, 0);
    EXPECT_EQ(TargetOf(FlightPhase::Parked, 0, false, jet).n1, jet.idleN1);
    EXPECT_EQ(TargetOf(FlightPhase::EnRoute, NAN, false, jet).rpm, 0);
    const PhaseLimits& piston = LimitsOf(FlightClass::Piston);
    EXPECT_EQ(TargetOf(FlightPhase::TakeOffRoll, 0, false, piston).rpm, piston.fullRpm);
    EXPECT_EQ(TargetOf(FlightPhase::TakeOffRoll, 0, false, piston).n1, 0);
}

TEST(AircraftConfiguration, EachPartTravelsAtItsPace) {
    const PhaseLimits& jet = LimitsOf(FlightClass::Jet);
    const Configuration up{0, 0, 0, jet.idleN1, 0};
    const Configuration down{1, 1, 1, jet.fullN1, 0};
    const Configuration half = Travelled(up, down, 5, jet);
    EXPECT_NEAR(half.gear, 0.5, 1e-9);
    EXPECT_NEAR(half.flaps, 5 / 15.0, 1e-9);
    EXPECT_EQ(half.speedBrake, 1);
    EXPECT_EQ(half.n1, jet.fullN1);
    const Configuration done = Travelled(up, down, 15, jet);
    EXPECT_EQ(done.gear, 1);
    EXPECT_EQ(done.flaps, 1);
    EXPECT_EQ(Travelled(done, up, 10, jet).gear, 0);
    EXPECT_EQ(Travelled(up, down, -3, jet).gear, 0);
}

// Over a whole landing with its records stopped: the gear comes down as it captures the final,
// the speed brake goes out at the touchdown.
TEST(AircraftConfiguration, FollowsALandingThroughItsPhases) {
    const auto airports = HonoluluAlone();
    MotionContext context;
    context.airports = airports.get();
    const RunwayFrame frame = FrameNamed(*airports, "26R");
    AircraftMotion motion;
    motion.Start(FixIn(frame, {-9 * kNm, 0, 2500 * kFoot}, 150, -8, 30), 0, context);
    ASSERT_EQ(motion.Phase(), FlightPhase::Approach);
    EXPECT_EQ(motion.At(0).configuration.gear, 0);
    motion.Update(FixIn(frame, {-7 * kNm, 0, 2000 * kFoot}, 75, -4), 10, 10, context);
    ASSERT_EQ(motion.Phase(), FlightPhase::Final);
    EXPECT_NEAR(motion.At(15).configuration.gear, 0.5, 1e-9);
    EXPECT_EQ(motion.At(20).configuration.gear, 1);
    motion.WithoutRecords(20);
    double touchdown = -1;
    for (double t = 20; t < 300 && touchdown < 0; t += 0.1) {
        if (motion.At(t).phase == FlightPhase::LandingRoll) {
            touchdown = t;
        }
    }
    ASSERT_GT(touchdown, 0);
    EXPECT_EQ(motion.At(touchdown - 0.1).configuration.speedBrake, 0);
    EXPECT_NEAR(motion.At(touchdown + 1).configuration.speedBrake, 0.5, 0.06);
    EXPECT_EQ(motion.At(touchdown + 1).configuration.flaps, 1);
}

} // namespace
