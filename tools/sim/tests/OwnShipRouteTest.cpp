#include "tools/sim/OwnShipRoute.h"

#include "tools/sim/tests/SimTestCases.h"
#include "traffic/Units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

namespace {
constexpr double kMetresPerDegree = 111195.0;

double DistanceMetres(const OwnShipFix& a, const OwnShipFix& b) {
    const double north = (b.latitude - a.latitude) * kMetresPerDegree;
    const double east = (b.longitude - a.longitude) * kMetresPerDegree *
                        std::cos(a.latitude * units::kRadiansPerDegree);
    return std::hypot(north, east);
}

// Direction of travel between two close fixes, degrees 0 to 360.
double Direction(const OwnShipFix& from, const OwnShipFix& to) {
    const double north = to.latitude - from.latitude;
    const double east =
        (to.longitude - from.longitude) * std::cos(from.latitude * units::kRadiansPerDegree);
    const double degrees = std::atan2(east, north) * units::kDegreesPerRadian;
    return degrees < 0 ? degrees + 360.0 : degrees;
}

double AngleBetween(double a, double b) {
    return std::fabs(std::remainder(a - b, 360.0));
}

TEST(OwnShipRoute, FixedPointStaysPut) {
    const OwnShipRoute route = OwnShipRoute::Fixed(51.0, -0.5);
    for (double t : {0.0, 10.0, 3600.0}) {
        EXPECT_DOUBLE_EQ(route.At(t).latitude, 51.0);
        EXPECT_DOUBLE_EQ(route.At(t).longitude, -0.5);
    }
}

struct LegCase : sim_test::NamedCase {
    double track;
    double northSign;
    double eastSign;
};

class OwnShipLeg : public testing::TestWithParam<LegCase> {};

TEST_P(OwnShipLeg, MovesAlongTheTrackAtTheSpeed) {
    const LegCase& c = GetParam();
    // 360 kt is 1852 m every 10 s.
    const OwnShipRoute route = OwnShipRoute::Leg(50.45, 0.01, c.track, 360.0);
    const OwnShipFix start = route.At(0);
    const OwnShipFix later = route.At(10);
    EXPECT_NEAR(DistanceMetres(start, later), 1852.0, 1.0);
    EXPECT_EQ(std::signbit(later.latitude - start.latitude) ? -1.0 : 1.0, c.northSign);
    EXPECT_EQ(std::signbit(later.longitude - start.longitude) ? -1.0 : 1.0, c.eastSign);
    const double track = std::fmod(c.track + 360.0, 360.0);
    EXPECT_NEAR(start.track, track, 1e-9);
    // A great circle turns a little on its way; over a mile, by hundredths of a degree.
    EXPECT_LT(AngleBetween(later.track, track), 0.05);
    EXPECT_LT(AngleBetween(Direction(start, later), track), 0.05);
}

INSTANTIATE_TEST_SUITE_P(Tracks, OwnShipLeg,
                         testing::Values(LegCase{{"NorthEast"}, 45, 1, 1},
                                         LegCase{{"SouthEast"}, 135, -1, 1},
                                         LegCase{{"SouthWest"}, 225, -1, -1},
                                         LegCase{{"NorthWestGivenNegative"}, -45, 1, -1}),
                         sim_test::ByName());

TEST(OwnShipRoute, LoopStartsAtItsStartHeadingEastAndComesBack) {
    const double radiusNm = 15, speedKt = 250;
    const OwnShipRoute route = OwnShipRoute::Loop(50.45, 0.01, radiusNm, speedKt);
    const OwnShipFix start = route.At(0);
    EXPECT_DOUBLE_EQ(start.latitude, 50.45);
    EXPECT_DOUBLE_EQ(start.longitude, 0.01);
    EXPECT_DOUBLE_EQ(start.track, 90.0);
    const double period = 2 * units::kPi * radiusNm / speedKt * 3600.0;
    // Half-way round: due north of the start by the diameter, heading west.
    const OwnShipFix half = route.At(period / 2);
    EXPECT_NEAR((half.latitude - 50.45) * kMetresPerDegree, 2 * radiusNm * 1852.0, 1.0);
    EXPECT_NEAR(half.longitude, 0.01, 1e-9);
    EXPECT_NEAR(half.track, 270.0, 1e-6);
    // A quarter: anticlockwise, so east of the start, heading north (on a sphere the circle's
    // tangent there leans a little east of the local meridian).
    const OwnShipFix quarter = route.At(period / 4);
    EXPECT_GT(quarter.longitude, 0.01);
    EXPECT_LT(AngleBetween(quarter.track, 0.0), 0.5);
    const double along = Direction(route.At(period / 4 - 0.5), route.At(period / 4 + 0.5));
    EXPECT_LT(AngleBetween(quarter.track, along), 0.01);
    const OwnShipFix again = route.At(period);
    EXPECT_NEAR(DistanceMetres(start, again), 0.0, 0.01);
}

TEST(OwnShipRoute, LoopPositionIsContinuous) {
    const OwnShipRoute route = OwnShipRoute::Loop(50.45, 0.01, 15, 250);
    for (double t = 0; t < 2000; t += 1) {
        // 250 kt is about 129 m per second.
        EXPECT_LT(DistanceMetres(route.At(t), route.At(t + 1)), 130.0) << t;
    }
}

TEST(OwnShipRoute, LegOverThePoleComesDownTheOtherSide) {
    // 2 degrees of arc to the pole at 600 kt: 12 minutes, then 12 more down the other side.
    const OwnShipRoute route = OwnShipRoute::Leg(88.0, 10.0, 0.0, 600.0);
    const double secondsPerDegree = kMetresPerDegree / (600.0 * units::kMetresPerSecondPerKnot);
    const OwnShipFix beyond = route.At(4 * secondsPerDegree);
    EXPECT_NEAR(beyond.latitude, 88.0, 1e-6);
    EXPECT_NEAR(beyond.longitude, -170.0, 1e-6);
    EXPECT_NEAR(beyond.track, 180.0, 1e-6);
}

TEST(OwnShipRoute, LegAcrossTheDateLineWraps) {
    const OwnShipRoute route = OwnShipRoute::Leg(0.0, 179.9, 90.0, 600.0);
    const double secondsPerDegree = kMetresPerDegree / (600.0 * units::kMetresPerSecondPerKnot);
    const OwnShipFix fix = route.At(0.2 * secondsPerDegree);
    EXPECT_NEAR(fix.longitude, -179.9, 1e-6);
    EXPECT_NEAR(fix.latitude, 0.0, 1e-9);
}

struct GlobeCase : sim_test::NamedCase {
    OwnShipRoute route;
};

class RouteOnTheGlobe : public testing::TestWithParam<GlobeCase> {};

// Hours and years of flight, in uneven steps: every fix is a place on the earth.
TEST_P(RouteOnTheGlobe, EveryFixIsAValidPosition) {
    const OwnShipRoute& route = GetParam().route;
    for (double t = 0; t < 4e8; t = t * 1.37 + 17.3) {
        const OwnShipFix fix = route.At(t);
        ASSERT_TRUE(std::isfinite(fix.latitude) && std::isfinite(fix.longitude)) << t;
        ASSERT_LE(std::fabs(fix.latitude), 90.0) << t;
        ASSERT_GE(fix.longitude, -180.0) << t;
        ASSERT_LE(fix.longitude, 180.0) << t;
        ASSERT_GE(fix.track, 0.0) << t;
        ASSERT_LT(fix.track, 360.0) << t;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Routes, RouteOnTheGlobe,
    testing::Values(GlobeCase{{"LegNorthOverThePole"}, OwnShipRoute::Leg(88, 0, 0, 100000)},
                    GlobeCase{{"LegEastOverTheDateLine"}, OwnShipRoute::Leg(0, 179.9, 90, 100000)},
                    GlobeCase{{"LegFromThePole"}, OwnShipRoute::Leg(90, 0, 45, kMaxSpeedKt)},
                    GlobeCase{{"WidestFastestLoop"},
                              OwnShipRoute::Loop(0, 0, kMaxLoopRadiusNm, kMaxSpeedKt)},
                    GlobeCase{{"LoopRoundThePole"}, OwnShipRoute::Loop(85, 170, 600, 450)},
                    GlobeCase{{"HugeLoop"}, OwnShipRoute::Loop(0, 0, 1e9, 1e9)},
                    GlobeCase{{"AbsurdLoop"}, OwnShipRoute::Loop(50, 0, 1e300, 1e300)}),
    sim_test::ByName());
} // namespace
