#include "shared_memory/SoundRequest.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>

namespace {
// Every request has one name, no two the same; a program that looks a name up never gets one
// for a code that asks for nothing.
TEST(SoundRequest, EachRequestHasOneNameAndNothingElseHasAny) {
    std::set<std::string> names;
    for (const SoundRequestSpelling& spelling : kSoundRequestNames) {
        const auto code = static_cast<std::int32_t>(spelling.request);
        ASSERT_NE(SoundRequestName(code), nullptr) << code;
        EXPECT_TRUE(names.insert(SoundRequestName(code)).second) << code;
    }
    EXPECT_EQ(names.size(), 8u);
    for (std::int32_t nothing : {7, 8, 9, 11, -1, INT_MIN, INT_MAX}) {
        EXPECT_EQ(SoundRequestName(nothing), nullptr) << nothing;
    }
    EXPECT_STREQ(SoundRequestName(kSilenceRequest), "TCAS SILENCE");
}

TEST(SoundRequest, AProgramsOwnSpellingGoesFirstOnlyWhereItHasOne) {
    constexpr SoundRequestSpelling own[] = {{SoundRequest::Climb, "climb"}};
    EXPECT_STREQ(SpellingOf(1, own), "climb");
    EXPECT_EQ(SpellingOf(0, own), nullptr);
    EXPECT_EQ(SpellingOf(1, {}), nullptr);
}
} // namespace
