#include "tools/textlayout/WordWrap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
struct WrapCase {
    const char* name;
    const char* text;
    int width;
    std::vector<std::string> lines;
};

TEST(WordWrap, BreaksAtSpacesWithinTheWidth) {
    const WrapCase cases[] = {
        {"fits", "slot 3: failed", 20, {"slot 3: failed"}},
        {"at the last space",
         "Top Lat = 51.05 Bot Lat = 49.85",
         16,
         {"Top Lat = 51.05", "Bot Lat = 49.85"}},
        {"long word cut", "abcdefghij", 4, {"abcd", "efgh", "ij"}},
        {"empty", "", 10, {""}},
    };
    for (const WrapCase& c : cases) {
        EXPECT_EQ(WrapWords(c.text, c.width), c.lines) << c.name;
    }
}
} // namespace
