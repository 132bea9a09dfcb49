#include "traffic/Clamp.h"
#include "tests/support/CaseNames.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

namespace {

struct ClampCase {
    double lo;
    double value;
    double hi;
    double expected;
};

class ClampDoubleTest : public testing::TestWithParam<ClampCase> {};

TEST_P(ClampDoubleTest, LimitsToRange) {
    const ClampCase& c = GetParam();
    EXPECT_EQ(ClampDouble(c.lo, c.value, c.hi), c.expected);
}

void PrintTo(const ClampCase& c, std::ostream* out) {
    *out << c.value << " in " << c.lo << " to " << c.hi;
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, ClampDoubleTest,
    testing::Values(ClampCase{0, 50, 180, 50}, ClampCase{0, -1, 180, 0},
                    ClampCase{0, 181, 180, 180}, ClampCase{0, 180, 180, 180},
                    ClampCase{0, 0, 180, 0},
                    // The upper bound wins when the range is inverted.
                    ClampCase{10, 5, 0, 0}, ClampCase{10, -5, 0, 10},
                    ClampCase{0, std::numeric_limits<double>::infinity(), 360, 360},
                    ClampCase{0, -std::numeric_limits<double>::infinity(), 360, 0}),
    NamedByPrint());

TEST(ClampTest, NanValueGivesUpperBound) {
    EXPECT_EQ(ClampDouble(0, std::nan(""), 180), 180);
    EXPECT_EQ(ClampFloat(0, std::nanf(""), 1), 1.0f);
}

TEST(ClampTest, MixedPrecisionForms) {
    EXPECT_EQ(ClampFloat(0.0f, 0.5f, 1.0f), 0.5f);
    EXPECT_EQ(ClampFloatValue(0.0, 2.5f, 2.0), 2.0);
    EXPECT_EQ(ClampFloatValue(0.0, 0.1f, 2.0), static_cast<double>(0.1f));
    EXPECT_EQ(ClampFloatLow(0.5f, 0.25, 2.0), 0.5);
    EXPECT_EQ(ClampFloatLow(0.5f, 1.25, 2.0), 1.25);
}

TEST(ClampTest, IntTruncatesBackAndKeepsExtremes) {
    EXPECT_EQ(ClampInt(0, 200, 149), 149);
    EXPECT_EQ(ClampInt(0, -3, 149), 0);
    EXPECT_EQ(ClampInt(0, 49, 149), 49);
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(ClampInt(kMin, kMax, kMax), kMax);
    EXPECT_EQ(ClampInt(kMin, kMin, kMax), kMin);
}

} // namespace
