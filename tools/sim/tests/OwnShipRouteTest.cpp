#include "tools/sim/OwnShipRoute.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
constexpr double kMetresPerDegree = 111195.0;
constexpr double kPi = 3.14159265358979323846;

double DistanceMetres(const OwnShipFix& a, const OwnShipFix& b) {
    const double north = (b.latitude - a.latitude) * kMetresPerDegree;
    const double east =
        (b.longitude - a.longitude) * kMetresPerDegree * std::cos(a.latitude * kPi / 180.0);
    return std::hypot(north, east);
}

TEST(OwnShipRoute, FixedPointStaysPut) {
    const OwnShipRoute route = OwnShipRoute::Fixed(51.0, -0.5);
    for (double t : {0.0, 10.0, 3600.0}) {
        EXPECT_DOUBLE_EQ(route.At(t).latitude, 51.0);
        EXPECT_DOUBLE_EQ(route.At(t).longitude, -0.5);
    }
}

struct LegCase {
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
    EXPECT_NEAR(later.track, std::fmod(c.track + 360.0, 360.0), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Tracks, OwnShipLeg,
                         testing::Values(LegCase{45, 1, 1}, LegCase{135, -1, 1},
                                         LegCase{225, -1, -1}, LegCase{-45, 1, -1}));

TEST(OwnShipRoute, LoopStartsAtItsStartHeadingEastAndComesBack) {
    const double radiusNm = 15, speedKt = 250;
    const OwnShipRoute route = OwnShipRoute::Loop(50.45, 0.01, radiusNm, speedKt);
    const OwnShipFix start = route.At(0);
    EXPECT_DOUBLE_EQ(start.latitude, 50.45);
    EXPECT_DOUBLE_EQ(start.longitude, 0.01);
    EXPECT_DOUBLE_EQ(start.track, 90.0);
    const double period = 2 * kPi * radiusNm / speedKt * 3600.0;
    // Half-way round: due north of the start by the diameter, heading west.
    const OwnShipFix half = route.At(period / 2);
    EXPECT_NEAR((half.latitude - 50.45) * kMetresPerDegree, 2 * radiusNm * 1852.0, 1.0);
    EXPECT_NEAR(half.longitude, 0.01, 1e-9);
    EXPECT_NEAR(half.track, 270.0, 1e-6);
    // A quarter: anticlockwise, so east of the start, heading north.
    EXPECT_GT(route.At(period / 4).longitude, 0.01);
    EXPECT_NEAR(route.At(period / 4).track, 0.0, 1e-6);
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
} // namespace
