#include "traffic/Units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// A bearing is always one a data file's track field and a compass can hold: never 360 itself,
// which a direction a hair west of north came to when a turn was added to it, nor minus zero.
TEST(UnitsBearing, TurnsEveryDirectionIntoOneBelowAFullTurn) {
    const struct {
        double degrees;
        double bearing;
    } cases[] = {
        {0.0, 0.0},
        {90.0, 90.0},
        {359.5, 359.5},
        {360.0, 0.0},
        {720.0, 0.0},
        {-90.0, 270.0},
        {-360.0, 0.0},
        {-450.0, 270.0},
        {-1e-30, 0.0},
        {-4e-50, 0.0},
        {-0.0, 0.0},
        {1e20, std::fmod(1e20, 360.0)},
        {-1e-13, 360.0 - 1e-13},
    };
    for (const auto& c : cases) {
        const double bearing = units::Bearing(c.degrees);
        EXPECT_EQ(bearing, c.bearing) << c.degrees;
        EXPECT_TRUE(bearing >= 0.0 && bearing < 360.0 && !std::signbit(bearing)) << c.degrees;
    }
    EXPECT_TRUE(std::isnan(units::Bearing(std::numeric_limits<double>::quiet_NaN())));
}

} // namespace
