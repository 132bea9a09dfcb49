#include "text_functions/ControlMask.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(ControlMask, MasksEverythingATerminalWouldObey) {
    EXPECT_EQ(MaskControls("\x1b]0;title\a"), "?]0;title?");
    EXPECT_EQ(MaskControls("csi \x9b"
                           "2J del \x7f"),
              "csi ?2J del ?");
    EXPECT_EQ(MaskControls("caf\xe9 ok"), "caf\xe9 ok"); // Latin-1 letters stay
    EXPECT_EQ(MaskControls("a\tb"), "a b");
    EXPECT_EQ(MaskControls(std::string_view("nul\0byte", 8)), "nul?byte");
    EXPECT_TRUE(HoldsTerminalControl("x\x85y"));
    EXPECT_FALSE(HoldsTerminalControl("EZY12AB \xa0"));
}

TEST(ControlMask, LineBreaksMaskedOrKept) {
    EXPECT_EQ(MaskControls("one\r\ntwo"), "one??two");
    EXPECT_EQ(MaskControls("one\r\ntwo", LineBreaks::Keep), "one\ntwo");
}

TEST(ControlMask, JoinedLinesMakeOneLine) {
    // A system message ends with its own line break; a report puts one between its parts.
    EXPECT_EQ(MaskControls("CVisShm::CVisShm\nAccess is denied.\r\n", LineBreaks::Join),
              "CVisShm::CVisShm / Access is denied.");
    EXPECT_EQ(MaskControls("\na\n\n\nb\x1b[2J\tc\r", LineBreaks::Join), "a / b?[2J c");
    EXPECT_EQ(MaskControls("\r\n\n", LineBreaks::Join), "");
}

TEST(ControlMask, BoundedFormCutsAndTerminates) {
    char buffer[6];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_STREQ(MaskControlsBounded(buffer, "ab\x1b[2Jcd", sizeof buffer), "ab?[2");
    EXPECT_STREQ(MaskControlsBounded(buffer, nullptr, sizeof buffer), "");
    EXPECT_EQ(MaskControlsBounded(nullptr, "abc", 4), nullptr);
    buffer[0] = 'x';
    MaskControlsBounded(buffer, "abc", 0);
    EXPECT_EQ(buffer[0], 'x');
}

} // namespace
