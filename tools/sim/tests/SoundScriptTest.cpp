#include "tools/sim/SoundScript.h"

#include <gtest/gtest.h>

#include <string>

namespace {
struct ParseCase {
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
    testing::Values(ParseCase{"5:0,12:10", true}, ParseCase{"0:3", true},
                    ParseCase{"1.5:-1,1.5:7", true}, // equal times: the later one wins
                    ParseCase{"", false}, ParseCase{"5", false}, ParseCase{"5:", false},
                    ParseCase{":0", false}, ParseCase{"5:x", false}, ParseCase{"-1:0", false},
                    ParseCase{"12:0,5:10", false}, ParseCase{"5:0,", false},
                    ParseCase{"5:0:1", false}, ParseCase{"5:99999999999", false}));

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
