#include "tools/sim/SimOptions.h"

#include "config_control/CommandArguments.h"

#include "tools/sim/tests/SimTestCases.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace {
bool Parse(std::vector<const char*> args, SimOptions& options, std::string* problem = nullptr) {
    args.insert(args.begin(), "corvane-sim");
    SimOptionParser parser;
    const bool ok = parser.Parse(static_cast<int>(args.size()), args.data(), options);
    if (problem != nullptr) {
        *problem = parser.FullErrorText();
    }
    return ok;
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

    // The value may follow an equals sign, as in every program of the suite.
    SimOptions attached;
    ASSERT_TRUE(Parse({"--name=Rig2", "--alt=-150", "--fixed=0,0"}, attached));
    EXPECT_STREQ(attached.name, "Rig2");
    EXPECT_DOUBLE_EQ(attached.settings.ownAltitudeFt, -150);
}

TEST(SimOptions, RoutesReachThePolesAndTheDateLine) {
    for (const char* fixed : {"90,0", "-90,180", "0,-180"}) {
        SimOptions options;
        EXPECT_TRUE(Parse({"--fixed", fixed}, options)) << fixed;
    }
    SimOptions limits;
    EXPECT_TRUE(Parse({"--loop", "89,0,1000,2000"}, limits));
}

TEST(SimOptions, HelpAndVersionEndTheReading) {
    for (const char* help : {"-h", "--help"}) {
        SimOptions options;
        ASSERT_TRUE(Parse({help, "--bogus"}, options)) << help;
        EXPECT_TRUE(options.help);
    }
    SimOptions options;
    ASSERT_TRUE(Parse({"--version"}, options));
    EXPECT_TRUE(options.version);
    std::string usage = SimUsageText();
    for (const char* word :
         {"-h, --help", "--version", "Exit status", "2000", "1000", kValueRulesHelp}) {
        EXPECT_NE(usage.find(word), std::string::npos) << word;
    }
}

// help2man makes the manual page of --help: the second usage must begin with "or:", or help2man
// puts it under DESCRIPTION; and the help must fit an 80-column terminal.
TEST(SimOptions, HelpFitsATerminalAndItsManualPage) {
    const std::string help = SimUsageText();
    EXPECT_EQ(help.rfind("Usage: corvane-sim ", 0), 0u);
    EXPECT_EQ(help.find("\n  or:  corvane-sim [--name NAME] --remove"), help.find('\n')) << help;
    for (std::size_t at = 0, end = 0; at < help.size(); at = end + 1) {
        end = help.find('\n', at);
        EXPECT_LT(end - at, 80u) << help.substr(at, end - at);
    }
}

struct BadCase : sim_test::NamedCase {
    std::vector<const char*> args;
    const char* problem; // the whole error text, one line
};

class BadArguments : public testing::TestWithParam<BadCase> {};

TEST_P(BadArguments, AreRefusedWithWhatIsWrong) {
    SimOptions options;
    std::string problem;
    EXPECT_FALSE(Parse(GetParam().args, options, &problem));
    EXPECT_EQ(problem, GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadArguments,
    testing::Values(
        BadCase{{"UnknownOption"}, {"--unknown"}, "unknown option '--unknown'"},
        BadCase{{"EscapeInAnOption"}, {"--\x1b[2J"}, "unknown option '--?[2J'"},
        BadCase{{"NameWithoutValue"}, {"--name"}, "option '--name' needs a value (NAME)"},
        BadCase{{"EmptyName"}, {"--name", ""}, "option '--name' needs a value (NAME)"},
        BadCase{{"FixedOneNumber"}, {"--fixed", "50"}, "--fixed 50: expected LAT,LON"},
        BadCase{{"FixedLatitudeBeyondThePole"},
                {"--fixed", "91,0"},
                "--fixed 91,0: latitude out of range (-90 to 90)"},
        BadCase{{"FixedLongitude"},
                {"--fixed", "0,180.5"},
                "--fixed 0,180.5: longitude out of range (-180 to 180)"},
        BadCase{{"FixedThreeNumbers"}, {"--fixed", "50,0,1"}, "--fixed 50,0,1: expected LAT,LON"},
        BadCase{{"FixedNotFinite"}, {"--fixed", "nan,0"}, "--fixed nan,0: not a finite number"},
        BadCase{{"LegThreeNumbers"},
                {"--leg", "50,0,90"},
                "--leg 50,0,90: expected LAT,LON,TRACK_DEG,SPEED_KT"},
        BadCase{{"LegNegativeSpeed"},
                {"--leg", "50,0,90,-5"},
                "--leg 50,0,90,-5: speed out of range (0 to 2000 kt)"},
        BadCase{{"LegAbsurdSpeed"},
                {"--leg", "88,0,0,100000"},
                "--leg 88,0,0,100000: speed out of range (0 to 2000 kt)"},
        BadCase{
            "LegInfiniteTrack", {"--leg", "0,0,inf,100"}, "--leg 0,0,inf,100: not a finite number"},
        BadCase{{"LoopNoRadius"},
                {"--loop", "50,0,0,250"},
                "--loop 50,0,0,250: radius out of range (above 0 up to 1000 NM)"},
        BadCase{{"LoopAbsurd"},
                {"--loop", "0,0,1e9,1e9"},
                "--loop 0,0,1e9,1e9: speed out of range (0 to 2000 kt)"},
        BadCase{{"LoopHugeRadius"},
                {"--loop", "50,0,1e300,250"},
                "--loop 50,0,1e300,250: radius out of range (above 0 up to 1000 NM)"},
        BadCase{{"LoopOverflow"},
                {"--loop", "50,0,1e999,250"},
                "--loop 50,0,1e999,250: not a finite number"},
        BadCase{{"AltitudeWord"}, {"--alt", "high"}, "--alt high: expected FEET"},
        BadCase{{"AltitudeNotANumber"}, {"--alt", "nan"}, "--alt nan: not a finite number"},
        BadCase{{"AltitudeInSpace"},
                {"--alt", "200000"},
                "--alt 200000: altitude out of range (-2000 to 100000 ft)"},
        BadCase{{"SoundsWithoutCode"}, {"--sounds", "5"}, "--sounds 5: a step is not SECONDS:CODE"},
        BadCase{
            "SoundsAtNoTime", {"--sounds", "nan:0"}, "--sounds nan:0: a step is not SECONDS:CODE"},
        BadCase{{"EndBeforeTheStart"}, {"--end-after", "-1"}, "--end-after -1: negative time"},
        BadCase{{"EndNotANumber"}, {"--end-after", "nan"}, "--end-after nan: not a finite number"},
        BadCase{{"EndNever"}, {"--end-after", "inf"}, "--end-after inf: not a finite number"},
        BadCase{{"SvgWithoutFile"}, {"--svg"}, "option '--svg' needs a value (FILE)"},
        BadCase{{"SvgEmpty"}, {"--svg", ""}, "option '--svg' needs a value (FILE)"},
        BadCase{{"AttachedEmpty"}, {"--alt="}, "option '--alt' needs a value (FEET)"},
        BadCase{{"FlagWithValue"}, {"--log=yes"}, "--log takes no value"},
        BadCase{{"Operand"}, {"scope.svg"}, "unexpected argument 'scope.svg'"}),
    sim_test::ByName());
} // namespace
