#include "aviation/TrafficTrack.h"

#include "aviation/Attitude.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Heading east along the 50th parallel at 200 m/s, climbing 5 m/s.
TrafficFix EastBound(double longitude, double speed = 200) {
    return {{50.0, longitude, 3000}, 90, speed, 5};
}

// The same, `metres` further east.
TrafficFix EastBoundAt(double metres) {
    TrafficFix fix = EastBound(0.0);
    fix.position = Displaced(fix.position, {0, metres, 0});
    return fix;
}

double EastOf(const GeodeticPosition& from, const GeodeticPosition& to) {
    return OffsetBetween(from, to).east;
}

TEST(TrafficTrack, DeadReckonsFromTheFix) {
    TrafficTrack track;
    const TrafficFix fix = EastBound(0.0);
    track.Start(fix, 100);
    const TrafficFix later = track.At(110);
    EXPECT_NEAR(EastOf(fix.position, later.position), 2000, 1);
    EXPECT_NEAR(OffsetBetween(fix.position, later.position).north, 0, 1);
    EXPECT_NEAR(later.position.height, 3050, 1e-9);
    EXPECT_EQ(later.track, 90);
}

// A fix that lies ahead of the aircraft as shown: the aircraft catches up over the blend,
// always moving forward, and is on the new track afterwards.
TEST(TrafficTrack, AFixAheadIsBlendedInOverTwoSeconds) {
    TrafficTrack track;
    track.Start(EastBound(0.0), 0);
    const GeodeticPosition origin = EastBound(0.0).position;
    // At 10 s the recording says the aircraft is 300 m further on than dead reckoning had it.
    const TrafficFix fix = EastBoundAt(2300);
    track.Update(fix, 10, 10);
    double previous = EastOf(origin, track.At(10).position);
    EXPECT_NEAR(previous, 2000, 2); // no jump at the update
    for (double t = 10.1; t <= 13; t += 0.1) {
        const double east = EastOf(origin, track.At(t).position);
        EXPECT_GT(east, previous) << t;
        EXPECT_LT(east - previous, 0.1 * 200 * 2.5) << t; // no leap either
        previous = east;
    }
    EXPECT_NEAR(EastOf(fix.position, track.At(13).position), 600, 2);
}

// A fix that lies behind the aircraft as shown (a stale position in the recording): the
// aircraft never moves backwards, slows to no less than half its speed, and meets the track.
TEST(TrafficTrack, AFixBehindNeverMovesTheAircraftBackwards) {
    for (const double behind : {50.0, 400.0, 2500.0}) {
        SCOPED_TRACE(behind);
        TrafficTrack track;
        track.Start(EastBound(0.0), 0);
        const GeodeticPosition origin = EastBound(0.0).position;
        const double fixEast = 2000 - behind;
        const TrafficFix fix = EastBoundAt(fixEast);
        track.Update(fix, 10, 10);
        double previous = EastOf(origin, track.At(10).position);
        double t = 10;
        for (; t < 10 + 60 &&
               std::fabs(EastOf(fix.position, track.At(t).position) - 200 * (t - 10)) > 0.5;
             t += 0.05) {
            const double east = EastOf(origin, track.At(t + 0.05).position);
            EXPECT_GE(east - previous, -1e-6) << t;
            previous = east;
        }
        EXPECT_LT(t, 10 + 2 * behind / 200 + kBlendSeconds + 0.1); // it does catch up
    }
}

TEST(TrafficTrack, ASidewaysAndVerticalErrorIsGoneAfterTheBlend) {
    TrafficTrack track;
    track.Start(EastBound(0.0), 0);
    TrafficFix fix = EastBound(0.0);
    fix.position = Displaced(fix.position, {150, 0, -60}); // 150 m north, 60 m lower
    track.Update(fix, 0, 5);
    const GeodeticPosition atUpdate = track.At(5).position;
    EXPECT_NEAR(OffsetBetween(DeadReckoned(EastBound(0.0), 5), atUpdate).north, 0, 1);
    const TrafficFix after = track.At(5 + kBlendSeconds);
    const LocalOffset error = OffsetBetween(DeadReckoned(fix, 5 + kBlendSeconds), after.position);
    EXPECT_NEAR(error.north, 0, 0.5);
    EXPECT_NEAR(error.east, 0, 0.5);
    EXPECT_NEAR(error.up, 0, 1e-6);
}

TEST(TrafficTrack, AFarFixIsANewStart) {
    TrafficTrack track;
    track.Start(EastBound(0.0), 0);
    const TrafficFix far = EastBound(1.0); // about 71 km on
    track.Update(far, 10, 10);
    EXPECT_NEAR(EastOf(far.position, track.At(10).position), 0, 1);
}

// Whatever was shown before, even a position that is no number, is no reason to show the next
// fix anywhere but where it is.
TEST(TrafficTrack, AShownPositionThatIsNoNumberDoesNotLinger) {
    TrafficTrack track;
    TrafficFix broken = EastBound(0.0);
    broken.groundSpeed = NAN;
    track.Start(broken, 0);
    const TrafficFix fix = EastBound(0.01);
    track.Update(fix, 10, 10);
    for (const double t : {10.0, 11.0, 20.0}) {
        const GeodeticPosition at = track.At(t).position;
        EXPECT_NEAR(EastOf(fix.position, at), 200 * (t - 10), 1) << t;
        EXPECT_NEAR(at.height, 3000 + 5 * (t - 10), 1e-6) << t;
    }
}

// A climb or descent kept up for hours ends at the heights aircraft fly.
TEST(TrafficTrack, DeadReckoningStaysAtHeightsAircraftFly) {
    TrafficFix climbing = EastBound(0.0);
    climbing.verticalRate = 150;
    EXPECT_EQ(DeadReckoned(climbing, 3600).height, 60000);
    climbing.verticalRate = -150;
    EXPECT_EQ(DeadReckoned(climbing, 3600).height, -1500);
}

} // namespace

namespace {
TrafficFix Turning(double track, double speed) {
    return {{50.0, 0.0, 3000}, track, speed, 0};
}
} // namespace

TEST(TrafficTrack, ALevelTurnBanksToTheCoordinatedAngleEasedInAndOut) {
    // 3 degrees a second at 100 m/s: tan(bank) = 100 * 0.05236 / 9.80665, a bank of 28.1.
    const double expected = std::atan(100 * 3 * kRadians / kStandardGravity) * kDegrees;
    TrafficTrack track;
    track.Start(Turning(0, 100), 0);
    EXPECT_EQ(track.BankAt(0), 0);
    track.Update(Turning(30, 100), 10, 10);
    EXPECT_NEAR(track.BankAt(10), 0, 1e-9); // rolls in, no sudden bank
    const double halfway = track.BankAt(10 + kRollSeconds / 2);
    EXPECT_GT(halfway, 0);
    EXPECT_LT(halfway, expected);
    EXPECT_NEAR(track.BankAt(10 + kRollSeconds), expected, 1e-9);
    EXPECT_NEAR(expected, 28.1, 0.05);
    // A left turn banks left; out of the turn it rolls level again.
    track.Update(Turning(0, 100), 20, 20);
    EXPECT_NEAR(track.BankAt(20 + kRollSeconds), -expected, 1e-9);
    track.Update(Turning(0, 100), 30, 30);
    EXPECT_NEAR(track.BankAt(30), -expected, 1e-9);
    EXPECT_NEAR(track.BankAt(30 + kRollSeconds), 0, 1e-9);
}

TEST(TrafficTrack, TurnsThatSayNothingGiveNoBank) {
    const struct {
        const char* what;
        double track;
        double speed;
        double seconds;
        double bank;
    } cases[] = {
        {"a fast turn is capped", 30, 250, 10, kMaxBankDegrees},
        {"across north the short way", 350 + 20, 100, 10, CoordinatedBank(100, 2)},
        {"fixes too far apart", 90, 100, kLongestTurnSeconds + 1, 0},
        {"fixes too close together", 90, 100, kShortestTurnSeconds / 2, 0},
        {"standing still", 90, 0, 10, 0},
        {"no number", std::nan(""), 100, 10, 0},
    };
    for (const auto& c : cases) {
        TrafficTrack track;
        track.Start(Turning(c.track >= 360 ? 350 : 0, c.speed), 0);
        track.Update(Turning(c.track, c.speed), c.seconds, c.seconds);
        EXPECT_NEAR(track.BankAt(c.seconds + kRollSeconds), c.bank, 1e-9) << c.what;
    }
}
