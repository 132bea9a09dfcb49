#include "aviation/Airports.h"

#include "aviation/tests/AirportFixtures.h"

#include "text_functions/TextFunctions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

const Runway& RunwayNamed(const AirportIndex& index, const char* code, const char* end) {
    for (const Airport& airport : index.Airports()) {
        if (std::strcmp(airport.code, code) == 0) {
            for (const Runway& runway : index.RunwaysOf(airport)) {
                if (std::strcmp(runway.ends[0].name, end) == 0) {
                    return runway;
                }
            }
        }
    }
    ADD_FAILURE() << code << " " << end;
    return *index.RunwaysOf(index.Airports()[0]).data();
}

TEST(Airports, NearestFieldAndItsElevation) {
    const AirportIndex index = Honolulu();
    const Airport* phnl = index.Nearest(21.3187, -157.9225, 5000);
    ASSERT_NE(phnl, nullptr);
    EXPECT_STREQ(phnl->code, "PHNL");
    EXPECT_NEAR(phnl->elevation, 13 * 0.3048, 1e-4);
    // The reference point is the middle of the runways' ends.
    EXPECT_NEAR(phnl->latitude, 21.3196, 0.001);
    EXPECT_NEAR(phnl->longitude, -157.9213, 0.001);
    EXPECT_STREQ(index.Nearest(21.31, -158.07, 5000)->code, "PHJR");
    EXPECT_STREQ(index.Nearest(21.331, -157.931, 5000)->code, "HELI");
    // Nothing within the radius; nothing for a position that is none.
    EXPECT_EQ(index.Nearest(21.5, -157.5, 5000), nullptr);
    EXPECT_EQ(index.Nearest(std::nan(""), -157.9, 5000), nullptr);
    // Across the 180th meridian, from either side.
    EXPECT_STREQ(index.Nearest(-16.5, -179.99, 3000)->code, "DATE");
    EXPECT_STREQ(index.Nearest(-16.5, 179.99, 3000)->code, "DATE");
    EXPECT_NEAR(std::fabs(index.Nearest(-16.5, 179.99, 3000)->longitude), 180.0, 0.01);
}

// Against Vincenty's formulae on the ellipsoid: length within a metre, heading within 0.05 deg.
TEST(Airports, RunwayGeometry) {
    const AirportIndex index = Honolulu();
    const Runway& r08L = RunwayNamed(index, "PHNL", "08L");
    EXPECT_NEAR(LengthOf(r08L), 3749.19, 1.0);
    EXPECT_NEAR(HeadingOf(r08L, 0), 89.9985, 0.05);
    EXPECT_NEAR(HeadingOf(r08L, 1), 270.0, 0.05);
    const Runway& r04R = RunwayNamed(index, "PHNL", "04R");
    EXPECT_NEAR(LengthOf(r04R), 2743.50, 1.0);
    EXPECT_NEAR(HeadingOf(r04R, 0), 53.016, 0.05);
    EXPECT_NEAR(HeadingOf(r04R, 1), 233.024, 0.05);

    // From each threshold: the threshold itself, the far one, a point off the centre line.
    const RunwayPlace atThreshold = PlaceOnRunway(r04R, 0, 21.31391700, -157.92713600);
    EXPECT_NEAR(atThreshold.along, 0, 0.01);
    EXPECT_NEAR(atThreshold.across, 0, 0.01);
    const RunwayPlace far = PlaceOnRunway(r04R, 1, 21.31391700, -157.92713600);
    EXPECT_NEAR(far.along, 2743.5, 1.0);
    EXPECT_NEAR(far.across, 0, 1.0);
    // 8 km out on final for 08L (landing east), 100 m south of the extended centre line: right.
    const GeodeticPosition outside =
        Displaced({21.32524700, -157.94323300, 0}, {-100.0, -8000.0, 0});
    const RunwayPlace approach = PlaceOnRunway(r08L, 0, outside.latitude, outside.longitude);
    EXPECT_NEAR(approach.along, -8000, 5);
    EXPECT_NEAR(approach.across, 100, 5);
}

TEST(Airports, DisplacedThresholdLiesAlongTheRunway) {
    const AirportIndex index = Honolulu();
    const Runway& runway = RunwayNamed(index, "PHJR", "04R");
    const GeodeticPosition threshold = ThresholdOf(runway, 0, 9.1);
    EXPECT_DOUBLE_EQ(threshold.height, 9.1);
    const RunwayPlace fromEnd = PlaceOnRunway(runway, 1, threshold.latitude, threshold.longitude);
    EXPECT_NEAR(fromEnd.along, LengthOf(runway) - 150, 0.5);
    EXPECT_NEAR(fromEnd.across, 0, 0.5);
    // The threshold is where along-track distances start.
    EXPECT_NEAR(PlaceOnRunway(runway, 0, runway.ends[0].latitude, runway.ends[0].longitude).along,
                -150, 0.5);
}

TEST(Airports, RunwaysNearAPoint) {
    const AirportIndex index = Honolulu();
    const Runway* found[8] = {};
    EXPECT_EQ(index.RunwaysNear(21.32, -157.92, 10 * 1852.0, found), 5);
    for (const Runway* runway : std::span(found, 5)) {
        EXPECT_EQ(std::string(index.AirportOf(*runway).code).substr(0, 2), "PH");
    }
    // More than fit are counted.
    const Runway* two[2] = {};
    EXPECT_EQ(index.RunwaysNear(21.32, -157.92, 10 * 1852.0, two), 5);
    EXPECT_NE(two[1], nullptr);
    // 3 km east of 26R's threshold, only Honolulu's eastern thresholds are within 3.5 km.
    EXPECT_EQ(index.RunwaysNear(21.3252, -157.8780, 3500, found), 3);
    // A heliport has no runway to land on.
    EXPECT_EQ(index.RunwaysNear(21.5, -157.5, 1000, found), 0);
}

TEST(Airports, SceneryThresholdsReplaceTheAirportData) {
    AirportIndex index = Honolulu();
    EXPECT_TRUE(index.OverrideThreshold("PHNL", "22R", 21.3300, -157.9071, 120));
    const RunwayEnd& end = RunwayNamed(index, "PHNL", "04L").ends[1];
    EXPECT_DOUBLE_EQ(end.latitude, 21.3300);
    EXPECT_DOUBLE_EQ(end.longitude, -157.9071);
    EXPECT_FLOAT_EQ(end.displacedThreshold, 120);
    EXPECT_FALSE(index.OverrideThreshold("PHNL", "33", 21.3, -157.9, 0));
    EXPECT_FALSE(index.OverrideThreshold("KSFO", "28L", 37.6, -122.4, 0));
}

TEST(Airports, SavedIndexComesBackWholeOrNotAtAll) {
    const AirportIndex index = Honolulu();
    const std::vector<std::uint8_t> bytes = index.Save("apt.dat 26840607 1666569600");
    AirportIndex restored;
    ASSERT_TRUE(restored.Restore(bytes, "apt.dat 26840607 1666569600"));
    EXPECT_EQ(restored.AirportCount(), index.AirportCount());
    EXPECT_EQ(restored.RunwayCount(), index.RunwayCount());
    EXPECT_STREQ(restored.Nearest(21.3187, -157.9225, 5000)->code, "PHNL");
    EXPECT_EQ(restored.RunwaysNear(21.32, -157.92, 10 * 1852.0, {}), 5);

    // Another source, a byte changed anywhere, a copy cut short: nothing is taken.
    EXPECT_FALSE(restored.Restore(bytes, "apt.dat 26840608 1666569600"));
    EXPECT_EQ(restored.AirportCount(), 0u);
    for (const std::size_t at :
         {std::size_t{0}, std::size_t{20}, bytes.size() / 2, bytes.size() - 1}) {
        std::vector<std::uint8_t> broken = bytes;
        broken[at] ^= 0x20;
        EXPECT_FALSE(restored.Restore(broken, "apt.dat 26840607 1666569600")) << at;
    }
    for (const std::size_t size : {std::size_t{0}, std::size_t{7}, bytes.size() - 8}) {
        EXPECT_FALSE(restored.Restore(std::span(bytes).first(size), "apt.dat 26840607 1666569600"))
            << size;
    }
}

// An index of nothing (airport data without a field) and a stamp of nothing are saved and come
// back like any other: no table is read from or into memory that is not there.
TEST(Airports, AnEmptyIndexComesBackEmpty) {
    const AirportIndex empty;
    for (const std::string stamp : {"", "apt.dat 0 0"}) {
        AirportIndex restored = Honolulu();
        ASSERT_TRUE(restored.Restore(empty.Save(stamp), stamp)) << stamp;
        EXPECT_EQ(restored.AirportCount(), 0u);
        EXPECT_EQ(restored.RunwayCount(), 0u);
        EXPECT_EQ(restored.Nearest(21.3187, -157.9225, 5000), nullptr);
    }
}

} // namespace
