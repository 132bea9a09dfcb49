#include "platform/posix/TerminalRender.h"
#include "platform/posix/TerminalDialogHost.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct SanitiseCase {
    const char* text;
    bool keepTabs;
    const char* expected;
};

void PrintTo(const SanitiseCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(std::string(c.text)) << (c.keepTabs ? " keeping tabs" : "");
}

class Sanitising : public ::testing::TestWithParam<SanitiseCase> {};

TEST_P(Sanitising, LeavesNothingATerminalWouldObey) {
    const SanitiseCase& c = GetParam();
    EXPECT_EQ(SanitiseText(c.text, c.keepTabs), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Sanitising,
    ::testing::Values(SanitiseCase{"plain text", false, "plain text"},
                      SanitiseCase{"two\nlines", false, "two\nlines"},
                      SanitiseCase{"dos line\r\n", false, "dos line\n"},
                      SanitiseCase{"a\tb", false, "a b"}, SanitiseCase{"a\tb", true, "a\tb"},
                      SanitiseCase{"\x1b]0;title\a", false, "?]0;title?"},
                      SanitiseCase{"csi \x9b"
                                   "2J del \x7f",
                                   false, "csi ?2J del ?"},
                      SanitiseCase{"caf\xe9", false, "caf\xe9"})); // Latin-1 letters stay

struct WrapCase {
    const char* text;
    int width;
    std::vector<std::string> rows;
};

void PrintTo(const WrapCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(std::string(c.text)) << " at " << c.width;
}

class Wrapping : public ::testing::TestWithParam<WrapCase> {};

TEST_P(Wrapping, CutsAtLineFeedsAndWidth) {
    const WrapCase& c = GetParam();
    EXPECT_EQ(WrapText(c.text, c.width), c.rows);
}

INSTANTIATE_TEST_SUITE_P(Texts, Wrapping,
                         ::testing::Values(WrapCase{"", 10, {""}}, WrapCase{"abc", 10, {"abc"}},
                                           WrapCase{"abcdefghij", 4, {"abcd", "efgh", "ij"}},
                                           WrapCase{"abcd", 4, {"abcd"}},
                                           WrapCase{"a\n\nb", 4, {"a", "", "b"}},
                                           WrapCase{"error text\n", 20, {"error text"}},
                                           WrapCase{"abc", 0, {"a", "b", "c"}}));

constexpr TerminalLine kLines[] = {
    {1004, "Status", true}, {1003, "Message", true}, {1008, "In view", false}};

TerminalView ViewWithTexts() {
    TerminalView view;
    view.title = "Halvery v1:: header";
    view.frameTitle = "Aircraft Position Request Update";
    view.texts = {"Frame 5 Call 1", "Reading Data Set :: 2 Aircraft checked",
                  std::string(100, 'X')};
    view.menuItem = "About Corvane...";
    return view;
}

// The rows of a rendering with the escape sequences taken out.
std::vector<std::string> PlainRows(const std::string& rendering) {
    std::vector<std::string> rows(1);
    for (std::size_t i = 0; i < rendering.size(); ++i) {
        if (rendering[i] == '\x1b') {
            i = rendering.find_first_of("HJKmhl", i + 2);
            rows.emplace_back();
        } else if (rendering[i] == '\n') {
            rows.emplace_back();
        } else if (rendering[i] != '\r') {
            rows.back() += rendering[i];
        }
    }
    rows.erase(std::remove(rows.begin(), rows.end(), ""), rows.end());
    return rows;
}

TEST(RenderWindow, ShowsEveryLineWithinTheScreen) {
    const std::string out = RenderWindow(kLines, ViewWithTexts(), {40, 24}, nullptr);
    const std::vector<std::string> rows = PlainRows(out);
    for (const std::string& row : rows) {
        EXPECT_LE(row.size(), 39u) << row;
    }
    EXPECT_EQ(rows[0], "Halvery v1:: header" + std::string(20, ' '));
    EXPECT_EQ(rows[1], "+- Aircraft Position Request Update --+");
    EXPECT_EQ(rows[2], "| Frame 5 Call 1                      |");
    EXPECT_EQ(rows[3], "| Reading Data Set :: 2 Aircraft chec |");
    EXPECT_EQ(rows[4], "| ked                                 |");
    EXPECT_EQ(rows[5], "+-------------------------------------+");
    EXPECT_EQ(rows[6], std::string(39, 'X')); // the in-view list wraps
    EXPECT_EQ(rows[8], std::string(22, 'X'));
    EXPECT_EQ(rows[9], "a About Corvane...   m Minimise   q Clo"); // cut at the width
}

TEST(RenderWindow, NeverWritesBelowTheScreen) {
    const std::string out = RenderWindow(kLines, ViewWithTexts(), {20, 6}, nullptr);
    // Five rows of window, each ending in a line feed, and the key line at row 6 after them.
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 5);
    EXPECT_NE(out.find("\x1b[6;1H"), std::string::npos);
}

TEST(RenderWindow, DrawsAnOpenBoxOverTheWindow) {
    const TerminalBox box = {"TCAS:: No Aircraft Data File", "No such file\n/data/x.dat"};
    const std::string out = RenderWindow(kLines, ViewWithTexts(), {80, 24}, &box);
    EXPECT_NE(out.find("+- TCAS:: No Aircraft Data File -"), std::string::npos);
    EXPECT_NE(out.find("| No such file "), std::string::npos);
    EXPECT_NE(out.find("| /data/x.dat "), std::string::npos);
    EXPECT_NE(out.find("[ OK ]"), std::string::npos);
    EXPECT_NE(out.find("Enter OK"), std::string::npos);
}

TEST(RenderWindow, TextsFromTheDataFileCannotEscape) {
    TerminalView view = ViewWithTexts();
    view.title = "header \x1b]0;owned\a\x1b[2J";
    const std::string out = RenderWindow(kLines, view, {80, 24}, nullptr);
    EXPECT_EQ(out.find("\x1b]"), std::string::npos);
    EXPECT_EQ(out.find("\x1b[2J"), std::string::npos);
}

TEST(RenderIcon, PlacesTheCompactDisplayWhereTheDialogPaintsIt) {
    const std::string out = RenderIcon(ViewWithTexts(), {30, 3}, 25, 10);
    EXPECT_EQ(out.rfind("\x1b[H\x1b[2J", 0), 0u);
    EXPECT_NE(out.find("\x1b[11;26H\x1b[7mHalvery v1:: header"), std::string::npos);
    EXPECT_NE(out.find("\x1b[12;26HFrame 5 Call 1"), std::string::npos);
    EXPECT_NE(out.find("\x1b[13;26Hr Restore   q Close"), std::string::npos);
}

TEST(FormatLogLine, OneLinePerTextWithItsLabel) {
    EXPECT_EQ(FormatLogLine("Status", "Frame 5"), "Status: Frame 5\n");
    EXPECT_EQ(FormatLogLine("Message", ""), "Message: \n");
    EXPECT_EQ(FormatLogLine("Message", "CVisShm::CVisShm\nNo such file\n"),
              "Message: CVisShm::CVisShm\nNo such file\n");
}

} // namespace
