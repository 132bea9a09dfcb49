#include "tools/sim/SimOptions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {
bool Parse(std::vector<const char*> args, SimOptions& options) {
    args.insert(args.begin(), "corvane-sim");
    return SimOptionParser().Parse(static_cast<int>(args.size()), args.data(), options);
}

TEST(SimOptions, DefaultsAreTheLoopFromTheFeedersSeedPosition) {
    SimOptions options;
    ASSERT_TRUE(Parse({}, options));
    EXPECT_STREQ(options.name, "VisualInterface");
    const OwnShipFix start = options.settings.route.At(0);
    EXPECT_DOUBLE_EQ(start.latitude, 50.45);
    EXPECT_DOUBLE_EQ(start.longitude, 0.01);
    EXPECT_NE(options.settings.route.At(60).longitude, 0.01); // it moves
    EXPECT_LT(options.settings.endAfterSeconds, 0);
    EXPECT_EQ(options.settings.sounds.RequestAt(100), kSilenceRequest);
}

TEST(SimOptions, ReadsEveryOption) {
    SimOptions options;
    ASSERT_TRUE(Parse({"--name", "Test1", "--fixed", "51,-1", "--alt", "3500", "--sounds",
                       "5:0,12:10", "--end-after", "60", "--svg", "scope.svg", "--log"},
                      options));
    EXPECT_STREQ(options.name, "Test1");
    EXPECT_DOUBLE_EQ(options.settings.route.At(100).latitude, 51.0);
    EXPECT_DOUBLE_EQ(options.settings.route.At(100).longitude, -1.0);
    EXPECT_DOUBLE_EQ(options.settings.ownAltitudeFt, 3500);
    EXPECT_EQ(options.settings.sounds.RequestAt(6), 0);
    EXPECT_DOUBLE_EQ(options.settings.endAfterSeconds, 60);
    EXPECT_STREQ(options.svgPath, "scope.svg");
    EXPECT_TRUE(options.logLines);

    SimOptions leg;
    ASSERT_TRUE(Parse({"--leg", "50,0,180,360"}, leg));
    EXPECT_LT(leg.settings.route.At(10).latitude, 50.0);

    SimOptions remove;
    ASSERT_TRUE(Parse({"--remove", "--force"}, remove));
    EXPECT_TRUE(remove.remove && remove.force);
}

class BadArguments : public testing::TestWithParam<std::vector<const char*>> {};

TEST_P(BadArguments, AreRefused) {
    SimOptions options;
    EXPECT_FALSE(Parse(GetParam(), options));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadArguments,
    testing::Values(
        std::vector<const char*>{"--unknown"}, std::vector<const char*>{"--name"},
        std::vector<const char*>{"--name", ""}, std::vector<const char*>{"--fixed", "50"},
        std::vector<const char*>{"--fixed", "91,0"}, std::vector<const char*>{"--fixed", "50,0,1"},
        std::vector<const char*>{"--leg", "50,0,90"},
        std::vector<const char*>{"--leg", "50,0,90,-5"},
        std::vector<const char*>{"--loop", "50,0,0,250"}, std::vector<const char*>{"--alt", "high"},
        std::vector<const char*>{"--sounds", "5"}, std::vector<const char*>{"--end-after", "-1"},
        std::vector<const char*>{"--end-after", "nan"}, std::vector<const char*>{"--svg"}));
} // namespace
