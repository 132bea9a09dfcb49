#include "aviation/RunwayPath.h"
#include "aviation/AircraftMotion.h"
#include "aviation/tests/AirportScript.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kTick = 0.1;

MotionContext AtHonolulu(const AirportIndex& airports, FlightClass kind = FlightClass::Jet) {
    MotionContext context;
    context.airports = &airports;
    context.kind = kind;
    return context;
}

struct Touchdown {
    bool found = false;
    double time = 0;
    RunwayPoint point{};
    double lowest = 1e9;    // metres above the runway, over the whole landing
    double stopTime = -1;   // when it stood still
    double rollSpeed = 0;   // at touchdown
    double rollSlowing = 0; // m/s² over the first 10 s of the roll-out
};

// Follows a landing in the runway's frame every tenth of a second from `start` for `seconds`.
Touchdown Follow(const AircraftMotion& motion, const RunwayFrame& frame, double start,
                 double seconds) {
    Touchdown seen;
    for (double t = start; t <= start + seconds; t += kTick) {
        const ShownAircraft shown = motion.At(t);
        const RunwayPoint point = PointOf(frame, shown.position);
        seen.lowest = std::min(seen.lowest, point.up);
        if (!seen.found && shown.phase == FlightPhase::LandingRoll) {
            seen = {true, t, point, seen.lowest, -1, shown.groundSpeed, 0};
            const double later = motion.At(t + 10).groundSpeed;
            seen.rollSlowing = (shown.groundSpeed - later) / 10;
        }
        if (seen.found && seen.stopTime < 0 && shown.groundSpeed == 0) {
            seen.stopTime = t;
        }
    }
    return seen;
}

struct LastFix {
    const char* what;
    RunwayPoint point; // in 26R's frame
    double off;        // degrees right of the runway's heading
};

// The records stop on final, wherever within the capture's limits: the aircraft flies on to
// the runway, touches down in its first third within a quarter of its width of the centre
// line, never below the ground, rolls out at about 2 m/s², stops and is removed 30 s later.
TEST(Landing, WhenTheRecordsStopItLands) {
    const auto airports = HonoluluAlone();
    const RunwayFrame frame = FrameNamed(*airports, "26R");
    const double length = frame.length;
    const double glide = std::tan(3 * kRadians);
    const LastFix cases[] = {
        {"at 300 ft on the glide path", {300 - 300 * kFoot / glide, 0, 300 * kFoot}, 0},
        {"at 300 ft, 20 m right, crabbing", {300 - 300 * kFoot / glide, 20, 300 * kFoot}, -3},
        {"at 800 ft, 0.4 NM left, 10 degrees off", {-4 * kNm, -0.4 * kNm, 800 * kFoot}, 10},
        {"at 2500 ft, high on the path", {-6 * kNm, 0, 2500 * kFoot}, 0},
        {"at 100 ft, low on the path", {-900, 5, 100 * kFoot}, 0},
        {"at 20 ft over the threshold", {20, 4, 20 * kFoot}, 0},
    };
    for (const LastFix& c : cases) {
        AircraftMotion motion;
        motion.Start(FixIn(frame, c.point, 70, -3.7, c.off), 0, AtHonolulu(*airports));
        ASSERT_EQ(motion.Phase(), FlightPhase::Final) << c.what;
        // The next publication has it no more.
        ASSERT_TRUE(motion.WithoutRecords(10)) << c.what;
        const Touchdown seen = Follow(motion, frame, 0, 400);
        ASSERT_TRUE(seen.found) << c.what;
        EXPECT_GE(seen.point.along, 0) << c.what;
        EXPECT_LE(seen.point.along, length / 3) << c.what;
        EXPECT_LE(std::fabs(seen.point.across), frame.width / 4) << c.what;
        EXPECT_NEAR(seen.point.up, 0, 0.05) << c.what;
        EXPECT_GE(seen.lowest, -1e-6) << c.what;
        EXPECT_NEAR(seen.rollSlowing, 2.0, 0.3) << c.what;
        ASSERT_GT(seen.stopTime, seen.time) << c.what;
        const ShownAircraft stopped = motion.At(seen.stopTime + 1);
        EXPECT_LT(PointOf(frame, stopped.position).along, length) << c.what;
        EXPECT_EQ(stopped.attitude.pitch, 0) << c.what;
        EXPECT_EQ(stopped.attitude.roll, 0) << c.what;
        EXPECT_TRUE(motion.WithoutRecords(seen.stopTime + 29)) << c.what;
        EXPECT_FALSE(motion.WithoutRecords(seen.stopTime + 31)) << c.what;
    }
}

// The touchdown's height is the ground's as the simulator has it at the runway, not the
// field's elevation.
TEST(Landing, TouchesDownOnTheSimulatorsGround) {
    class Raised : public GroundHeights {
    public:
        double HeightAt(double, double, double fallback) const override { return fallback + 3; }
    } raised;
    const auto airports = HonoluluAlone();
    MotionContext context = AtHonolulu(*airports);
    context.ground = &raised;
    const RunwayFrame frame = FrameNamed(*airports, "26R");
    AircraftMotion motion;
    motion.Start(FixIn(frame, {-1500, 0, 300 * kFoot}, 70, -3.7), 0, context);
    motion.WithoutRecords(10);
    const ShownAircraft rolling = motion.At(40);
    EXPECT_EQ(rolling.phase, FlightPhase::LandingRoll);
    EXPECT_NEAR(rolling.position.height, kHonoluluElevation + 3, 0.01);
}

// Each new fix on final pulls the aircraft back towards it gently: never more than about 10 m
// in a tenth of a second beyond its own motion, along, across or up.
TEST(Landing, ANewFixPullsTheAircraftBackGently) {
    const auto airports = HonoluluAlone();
    const RunwayFrame frame = FrameNamed(*airports, "26R");
    AircraftMotion motion;
    motion.Start(FixIn(frame, {-5 * kNm, 0, 1600 * kFoot}, 70, -3.7), 0, AtHonolulu(*airports));
    // Ten seconds on the records have it 150 m right, 60 m high and 200 m behind.
    const RunwayPoint shown = PointOf(frame, motion.At(10).position);
    motion.Update(FixIn(frame, {shown.along - 200, 150, shown.up + 60}, 70, -3.7), 10, 10,
                  AtHonolulu(*airports));
    ASSERT_EQ(motion.Phase(), FlightPhase::Final);
    RunwayPoint before = PointOf(frame, motion.At(10).position);
    EXPECT_NEAR(before.along, shown.along, 1); // no jump at the fix
    EXPECT_NEAR(before.across, shown.across, 1);
    EXPECT_NEAR(before.up, shown.up, 1);
    for (double t = 10 + kTick; t < 30; t += kTick) {
        const RunwayPoint now = PointOf(frame, motion.At(t).position);
        EXPECT_GE(now.along - before.along, 0) << t; // never backwards
        EXPECT_LE(now.along - before.along, 70 * kTick + 10) << t;
        EXPECT_LE(std::fabs(now.across - before.across), 10) << t;
        EXPECT_LE(std::fabs(now.up - before.up), 10) << t;
        before = now;
    }
}

// Between fixes on final the aircraft flies onto the centre line and the glide path instead of
// wandering off them by dead reckoning on a track a few degrees off.
TEST(Landing, BetweenFixesItFliesTheCentreLineAndTheGlidePath) {
    const auto airports = HonoluluAlone();
    const RunwayFrame frame = FrameNamed(*airports, "26R");
    const double glide = std::tan(3 * kRadians);
    AircraftMotion motion;
    motion.Start(FixIn(frame, {-4 * kNm, 30, glide * (300 + 4 * kNm) + 15}, 70, -4.5, 4), 0,
                 AtHonolulu(*airports));
    const RunwayPoint later = PointOf(frame, motion.At(10).position);
    EXPECT_NEAR(later.across, 0, 1);
    EXPECT_NEAR(later.up, glide * (300 - later.along), 1);
    EXPECT_NEAR(motion.At(10).attitude.heading, frame.heading, 0.5);
}

// On the take-off roll it keeps to the centre line, lifts off at its class's speed and climbs
// out on the runway's heading at its class's rate.
TEST(TakeOff, RollsOnTheCentreLineLiftsOffAndClimbs) {
    const auto airports = HonoluluAlone();
    const RunwayFrame frame = FrameNamed(*airports, "08L");
    for (const FlightClass kind : {FlightClass::Jet, FlightClass::Turboprop, FlightClass::Piston}) {
        const PhaseLimits& limits = LimitsOf(kind);
        AircraftMotion motion;
        const double speed = limits.rollSpeed + 2;
        motion.Start(FixIn(frame, {400, 8, 0}, speed, 0), 0, AtHonolulu(*airports, kind));
        ASSERT_EQ(motion.Phase(), FlightPhase::TakeOffRoll);
        double liftOff = -1;
        for (double t = 0; t < 60; t += kTick) {
            const ShownAircraft shown = motion.At(t);
            const RunwayPoint point = PointOf(frame, shown.position);
            if (shown.phase == FlightPhase::TakeOffRoll) {
                EXPECT_NEAR(point.up, 0, 1e-6) << t;
                EXPECT_EQ(shown.attitude.pitch, 0);
            } else if (liftOff < 0) {
                liftOff = t;
                EXPECT_NEAR(shown.groundSpeed, limits.liftOffSpeed, 0.5);
                EXPECT_LT(point.along, frame.length);
                EXPECT_NEAR(point.across, 0, 0.5);
            }
        }
        ASSERT_GT(liftOff, 0);
        const ShownAircraft climbing = motion.At(liftOff + 20);
        EXPECT_EQ(climbing.phase, FlightPhase::ClimbOut);
        EXPECT_NEAR(climbing.verticalRate, limits.climbOutRate, 1e-6);
        EXPECT_NEAR(climbing.attitude.heading, frame.heading, 0.01);
        EXPECT_GT(climbing.attitude.pitch, 0);
        // Its records take over once they have it in the air.
        const TrafficFix airborne = FixIn(frame, {5000, 40, 800 * kFoot}, 90, 9, 5);
        motion.Update(airborne, liftOff + 20, liftOff + 20, AtHonolulu(*airports, kind));
        EXPECT_EQ(motion.Phase(), FlightPhase::ClimbOut);
        EXPECT_NEAR(motion.At(liftOff + 40).attitude.heading, airborne.track, 1e-6);
    }
}

} // namespace
