#include "aviation/GroundContact.h"

#include "aviation/tests/AirportFixtures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kKnot = units::kMetresPerSecondPerKnot;
constexpr double kFoot = units::kMetresPerFoot;

// PHNL's reference point and its field elevation, 13 ft.
constexpr double kFieldLatitude = 21.3196;
constexpr double kFieldLongitude = -157.9213;
constexpr double kField = 13 * kFoot;

// A point `metres` south of PHNL's reference point, towards the sea: away from the heliport.
GroundReport SouthOfTheField(double metres, std::optional<double> height, double knots) {
    const GeodeticPosition at = Displaced({kFieldLatitude, kFieldLongitude, 0}, {-metres, 0, 0});
    return {at.latitude, at.longitude, height, knots * kKnot};
}

TEST(GroundContact, TheAirportIsTheNearestLandFieldWithinFiveKilometres) {
    const AirportIndex index = Honolulu();
    const Airport* phnl = index.Nearest(kFieldLatitude, kFieldLongitude, 100);
    ASSERT_NE(phnl, nullptr);
    const GroundReport in = SouthOfTheField(4950, std::nullopt, 0);
    const GroundReport out = SouthOfTheField(5050, std::nullopt, 0);
    EXPECT_EQ(GroundAirport(index, in.latitude, in.longitude), phnl);
    EXPECT_EQ(GroundAirport(index, out.latitude, out.longitude), nullptr);
    // The rooftop heliport beside the field is nearer, the field wins.
    EXPECT_STREQ(index.Nearest(21.331, -157.931, 5000)->code, "HELI");
    EXPECT_EQ(GroundAirport(index, 21.331, -157.931), phnl);
    // Where no land field is near, a heliport is ground all the same.
    const AirportIndex heliport = [] {
        AirportIndex only;
        only.AddAirport("PAD", 50, AirportKind::Heliport);
        only.AddPlace(10, 10);
        only.Finish();
        return only;
    }();
    ASSERT_NE(GroundAirport(heliport, 10.01, 10), nullptr);
    EXPECT_STREQ(GroundAirport(heliport, 10.01, 10)->code, "PAD");
    EXPECT_EQ(GroundAirport(index, std::nan(""), kFieldLongitude), nullptr);
}

TEST(GroundContact, SlowNearTheFieldAndLowOrWithoutAHeightIsOnTheGround) {
    const AirportIndex index = Honolulu();
    const Airport* phnl = index.Nearest(kFieldLatitude, kFieldLongitude, 100);
    const double ground = kField;
    auto on = [&](double metres, std::optional<double> height, double knots) {
        const GroundReport report = SouthOfTheField(metres, height, knots);
        return IsOnGround(report, GroundAirport(index, report.latitude, report.longitude), ground);
    };
    // Parked without a height (a record with 0 in both fields), or taxiing.
    EXPECT_TRUE(on(500, std::nullopt, 0));
    EXPECT_TRUE(on(500, std::nullopt, 49.9));
    EXPECT_TRUE(on(4900, std::nullopt, 20));
    // The speed: slower than 50 kt.
    EXPECT_FALSE(on(500, std::nullopt, 50.0));
    EXPECT_FALSE(on(500, ground + 3, 140));
    EXPECT_FALSE(on(500, std::nullopt, std::nan("")));
    // The height: within 100 ft above the ground, or below it.
    EXPECT_TRUE(on(500, ground + 99 * kFoot, 10));
    EXPECT_FALSE(on(500, ground + 101 * kFoot, 10));
    EXPECT_TRUE(on(500, ground - 50 * kFoot, 10));
    EXPECT_FALSE(on(500, std::nan(""), 10));
    // Away from any airport nothing is on the ground.
    EXPECT_FALSE(on(6000, std::nullopt, 0));
    EXPECT_FALSE(IsOnGround({0, 0, std::nullopt, 0}, nullptr, 0));
    // Near the field and slow is worth knowing the ground for, whatever the height.
    EXPECT_TRUE(MayStandOnGround(SouthOfTheField(500, 3000, 10), phnl));
    EXPECT_FALSE(MayStandOnGround(SouthOfTheField(500, 3000, 60), phnl));
    EXPECT_FALSE(MayStandOnGround(SouthOfTheField(500, 3000, 10), nullptr));
}

TEST(GroundContact, TheGroundIsTheTerrainWhereKnownElseTheField) {
    const AirportIndex index = Honolulu();
    const Airport* phnl = index.Nearest(kFieldLatitude, kFieldLongitude, 100);
    EXPECT_NEAR(GroundHeight(*phnl, std::nullopt), kField, 1e-4);
    EXPECT_EQ(GroundHeight(*phnl, 3.905), 3.905);
    // The 100 ft are counted from the ground there: 20 m above the terrain is on it, 40 m is
    // not, though both are within 100 ft of a field given 30 m too high.
    const GroundReport taxiing = SouthOfTheField(500, 24, 15);
    const GroundReport low = SouthOfTheField(500, 44, 15);
    EXPECT_TRUE(IsOnGround(taxiing, phnl, 4));
    EXPECT_FALSE(IsOnGround(low, phnl, 4));
    EXPECT_TRUE(IsOnGround(low, phnl, 34));
}

} // namespace
