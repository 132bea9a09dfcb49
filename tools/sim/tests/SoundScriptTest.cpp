#include "tools/sim/SoundScript.h"

#include "tools/sim/tests/SimTestCases.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

namespace {
struct ParseCase : sim_test::NamedCase {
    const char* text;
    bool ok;
};

class SoundScriptParse : public testing::TestWithParam<ParseCase> {};

TEST_P(SoundScriptParse, AcceptsOnlyWellFormedScripts) {
    SoundScript script;
    EXPECT_EQ(script.Parse(GetParam().text), GetParam().ok) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SoundScriptParse,
    testing::Values(
        ParseCase{{"TwoSteps"}, "5:0,12:10", true}, ParseCase{{"OneStep"}, "0:3", true},
        // equal times: the later one wins
        ParseCase{{"EqualTimes"}, "1.5:-1,1.5:7", true}, ParseCase{{"Empty"}, "", false},
        ParseCase{{"NoCode"}, "5", false}, ParseCase{{"EmptyCode"}, "5:", false},
        ParseCase{{"NoTime"}, ":0", false}, ParseCase{{"CodeNotANumber"}, "5:x", false},
        ParseCase{{"NegativeTime"}, "-1:0", false},
        ParseCase{{"TimesBackwards"}, "12:0,5:10", false},
        ParseCase{{"TrailingComma"}, "5:0,", false}, ParseCase{{"ThreeParts"}, "5:0:1", false},
        ParseCase{{"CodeBeyond32Bits"}, "5:99999999999", false},
        ParseCase{{"TimeNotANumber"}, "nan:0", false}, ParseCase{{"TimeInfinite"}, "inf:0", false}),
    sim_test::ByName());

TEST(SoundScript, AlertsHaveTheirNames) {
    EXPECT_STREQ(AlertName(0), "Traffic");
    EXPECT_STREQ(AlertName(2), "Climb now");
    EXPECT_STREQ(AlertName(5), "Clear of traffic");
    EXPECT_STREQ(AlertName(10), "Silence");
    for (std::int32_t nothing : {7, 9, 11, -1, INT32_MIN, INT32_MAX}) {
        EXPECT_STREQ(AlertName(nothing), "no request") << nothing;
    }
}

TEST(SoundScript, RequestsFollowTheScriptAndStartSilent) {
    SoundScript script;
    ASSERT_TRUE(script.Parse("5:0,12:10,20:3"));
    struct {
        double seconds;
        std::int32_t code;
    } const expected[] = {{0, 10}, {4.99, 10}, {5, 0}, {11.9, 0}, {12, 10}, {20, 3}, {1e6, 3}};
    for (const auto& e : expected) {
        EXPECT_EQ(script.RequestAt(e.seconds), e.code) << e.seconds;
    }
}

TEST(SoundScript, WithoutAScriptTheRequestIsSilence) {
    EXPECT_EQ(SoundScript().RequestAt(100), kSilenceRequest);
}

TEST(SoundScript, AFailedParseKeepsTheScript) {
    SoundScript script;
    ASSERT_TRUE(script.Parse("1:4"));
    EXPECT_FALSE(script.Parse("2:x"));
    EXPECT_EQ(script.RequestAt(5), 4);
    EXPECT_NE(std::string(script.GetErrorText()).find("SoundScript::Parse"), std::string::npos);
}

TEST(SoundScript, RefusesMoreSteps) {
    // Appended piece by piece: a literal put before a temporary string makes GCC 12 at -O3 warn
    // falsely that the copy may overlap (-Wrestrict).
    std::string text = "0:0";
    for (int i = 1; i <= SoundScript::kMaxSteps; ++i) {
        text += ',';
        text += std::to_string(i);
        text += ":0";
    }
    EXPECT_FALSE(SoundScript().Parse(text.c_str()));
}
} // namespace
