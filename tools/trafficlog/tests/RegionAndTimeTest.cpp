#include "tools/trafficlog/convert/ConvertOptions.h"
#include "tools/trafficlog/datafile/Region.h"
#include "tools/trafficlog/sources/UtcTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>

namespace {

struct TimeCase {
    const char* name;
    const char* date;
    const char* time;
    bool valid;
    std::int64_t seconds;
};

void PrintTo(const TimeCase& value, std::ostream* out) {
    *out << value.name;
}

class MessageTimes : public testing::TestWithParam<TimeCase> {};

TEST_P(MessageTimes, ReadAsUtcSeconds) {
    std::int64_t seconds = -1;
    EXPECT_EQ(ParseUtcDateTime(GetParam().date, GetParam().time, seconds), GetParam().valid);
    if (GetParam().valid) {
        EXPECT_EQ(seconds, GetParam().seconds);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MessageTimes,
    testing::Values(TimeCase{"epoch", "1970/01/01", "00:00:00.000", true, 0},
                    TimeCase{"fraction_dropped", "2024/06/01", "12:00:02.999", true, 1717243202},
                    TimeCase{"leap_day", "2024/02/29", "00:00", true, 1709164800},
                    TimeCase{"no_leap_day", "2023/02/29", "00:00:00", false, 0},
                    TimeCase{"century_leap", "2000-02-29", "23:59:59", true, 951868799},
                    TimeCase{"month_13", "2024/13/01", "00:00:00", false, 0},
                    TimeCase{"hour_24", "2024/06/01", "24:00:00", false, 0},
                    TimeCase{"mixed_separators", "2024/06-01", "00:00:00", false, 0},
                    TimeCase{"trailing_text", "2024/06/01", "12:00:00Z", false, 0},
                    TimeCase{"short_date", "2024/6/1", "12:00:00", false, 0}),
    [](const testing::TestParamInfo<TimeCase>& info) { return std::string(info.param.name); });

TEST(TimeOption, TakesSecondsOrAUtcDate) {
    std::int64_t seconds = 0;
    ASSERT_TRUE(ParseTimeOption("1656331200", seconds));
    EXPECT_EQ(seconds, 1656331200);
    ASSERT_TRUE(ParseTimeOption("2022-06-27T12:00:00Z", seconds));
    EXPECT_EQ(seconds, 1656331200);
    ASSERT_TRUE(ParseTimeOption("2022-06-27 12:00", seconds));
    EXPECT_EQ(seconds, 1656331200);
    ASSERT_TRUE(ParseTimeOption("2022-06-27", seconds));
    EXPECT_EQ(seconds, 1656288000);
    ASSERT_TRUE(ParseTimeOption("999999999999999999", seconds));
    EXPECT_EQ(seconds, 999999999999999999);
    for (const char* bad : {"", "-5", "2022/06/27", "2022-06-27T25:00", "noon", "12e3", " 5",
                            "99999999999999999999", "9223372036854775808"}) {
        EXPECT_FALSE(ParseTimeOption(bad, seconds)) << bad;
    }
}

TEST(Region, CircleAndBoxEdges) {
    Region region;
    // 60 NM is one degree of latitude, near enough.
    region.SetAround(0, 0, 60);
    EXPECT_TRUE(region.Contains(0.99, 0));
    EXPECT_FALSE(region.Contains(1.01, 0));
    EXPECT_FALSE(region.Contains(0, 180));

    Region across;
    across.SetBox(-10, 170, 10, -170);
    EXPECT_TRUE(across.Contains(0, 180));
    EXPECT_TRUE(across.Contains(0, -175));
    EXPECT_FALSE(across.Contains(0, 0));
    EXPECT_DOUBLE_EQ(across.Centre().longitude, 180);
    Region lopsided;
    lopsided.SetBox(-10, 160, 10, -170);
    EXPECT_DOUBLE_EQ(lopsided.Centre().longitude, 175);
}

// A refused value leaves the region as it was: no half-set circle filters the recording.
TEST(Region, OptionsRefuseWhatIsNoRegion) {
    const char* const refusals[][2] = {
        {"--around", "1,2"},     {"--around", "1,2,3,x"}, {"--around", "91,0,1"},
        {"--around", "0,0,0"},   {"--around", "nan,0,5"}, {"--around", "0,0,1e9"},
        {"--around", "0,0,1,2"}, {"--around", "1,,2"},    {"--around", " 1,2,3"},
        {"--box", "1,2,3"},      {"--box", "52,0,51,1"},  {"--box", "0,-181,1,0"},
        {"--box", "a,b,c,d"}};
    for (const auto& argv : refusals) {
        CommandArguments args(2, argv, 0);
        ASSERT_TRUE(args.Next());
        Region refused;
        bool ok = true;
        EXPECT_TRUE(TakeRegionOption(args, refused, ok));
        EXPECT_FALSE(ok) << argv[0] << " " << argv[1];
        EXPECT_FALSE(refused.IsSet()) << argv[0] << " " << argv[1];
    }
    const char* argv[] = {"--box=-10,170,10,-170", "--around", "51.47,-0.45,30"};
    CommandArguments args(3, argv, 0);
    Region both;
    bool ok = false;
    ASSERT_TRUE(args.Next() && TakeRegionOption(args, both, ok) && ok);
    ASSERT_TRUE(args.Next() && TakeRegionOption(args, both, ok) && ok);
    EXPECT_DOUBLE_EQ(both.Centre().latitude, 51.47);
}

TEST(Region, MeanPositionCrossesTheAntimeridian) {
    const UnitVector a = ToUnitVector(10, 179), b = ToUnitVector(10, -179);
    const GeoPoint mean = PointOf({a.x + b.x, a.y + b.y, a.z + b.z});
    EXPECT_NEAR(std::abs(mean.longitude), 180, 1e-9);
    EXPECT_NEAR(mean.latitude, 10, 0.01);
}

} // namespace
