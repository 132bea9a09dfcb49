#include "app/posix/TerminalRender.h"
#include "app/posix/TerminalDialogHost.h"
#include "tests/support/CaseNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {

constexpr char kStamp[] = "2026-11-01T12:00:00Z";

// What a log line shows of a text from a file or a peer: nothing a terminal would obey, and one
// line whatever the text holds.
struct LogTextCase {
    const char* text;
    const char* shown;
};

void PrintTo(const LogTextCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(std::string(c.text));
}

class LogText : public ::testing::TestWithParam<LogTextCase> {};

TEST_P(LogText, LeavesNothingATerminalWouldObey) {
    const LogTextCase& c = GetParam();
    EXPECT_EQ(FormatLogLine(kStamp, "Title", c.text),
              std::string(kStamp) + " Title: " + c.shown + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LogText,
    ::testing::Values(LogTextCase{"plain text", "plain text"},
                      LogTextCase{"two\nlines", "two / lines"},
                      LogTextCase{"dos line\r\n", "dos line"}, LogTextCase{"a\tb", "a b"},
                      LogTextCase{"\x1b]0;title\a", "?]0;title?"},
                      LogTextCase{"csi \x9b"
                                  "2J del \x7f",
                                  "csi ?2J del ?"},
                      LogTextCase{"\x01\x02"
                                  "binary\x80header\xff",
                                  "??binary?header\xff"},
                      LogTextCase{"caf\xe9", "caf\xe9"}), // Latin-1 letters stay
    NamedByPrint());

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

INSTANTIATE_TEST_SUITE_P(
    Texts, Wrapping,
    ::testing::Values(WrapCase{"", 10, {""}}, WrapCase{"abc", 10, {"abc"}},
                      WrapCase{"abcdefghij", 4, {"abcd", "efgh", "ij"}},
                      WrapCase{"abcd", 4, {"abcd"}}, WrapCase{"a\n\nb", 4, {"a", "", "b"}},
                      WrapCase{"error text\n", 20, {"error text"}},
                      WrapCase{"abc", 0, {"a", "b", "c"}},
                      // Call signs of the in-view list stay whole.
                      WrapCase{"EZY12AB BAW123 AFR93HO ", 16, {"EZY12AB BAW123", "AFR93HO "}},
                      WrapCase{"EZY12AB BAW123 ", 14, {"EZY12AB BAW123"}},
                      WrapCase{"EZY12AB BAW123 ", 7, {"EZY12AB", "BAW123 "}},
                      WrapCase{"a    b", 3, {"a", "b"}}, WrapCase{"ab  ", 2, {"ab"}},
                      // Only a word longer than a row is cut.
                      WrapCase{"x ABCDEFGH", 4, {"x", "ABCD", "EFGH"}},
                      WrapCase{" ABCDEFGH", 4, {" ABC", "DEFG", "H"}}),
    NamedByPrint());

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
    EXPECT_EQ(rows[3], "| Reading Data Set :: 2 Aircraft      |"); // wrapped at a space
    EXPECT_EQ(rows[4], "| checked                             |");
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

TEST(FormatLogLine, OneLinePerTextWithItsTimeAndLabel) {
    EXPECT_EQ(FormatLogLine(kStamp, "Status", "Frame 5"),
              std::string(kStamp) + " Status: Frame 5\n");
    EXPECT_EQ(FormatLogLine(kStamp, "Message", ""), std::string(kStamp) + " Message: \n");
    EXPECT_EQ(FormatLogLine(kStamp, "Message", "CVisShm::CVisShm\nNo such file\n"),
              std::string(kStamp) + " Message: CVisShm::CVisShm / No such file\n");
}

TEST(RenderWindow, InViewListWrapsBetweenCallSigns) {
    TerminalView view = ViewWithTexts();
    view.texts[2].clear();
    for (int i = 0; i < 20; ++i) {
        view.texts[2] += "EZY" + std::to_string(1000 + i) + " ";
    }
    const std::vector<std::string> rows = PlainRows(RenderWindow(kLines, view, {40, 24}, nullptr));
    // Rows 6 on, before the key line: the list, every word of it a whole call sign.
    int callSigns = 0;
    for (std::size_t i = 6; i + 1 < rows.size(); ++i) {
        std::istringstream words(rows[i]);
        for (std::string word; words >> word; ++callSigns) {
            EXPECT_EQ(word.size(), 7u) << rows[i];
        }
    }
    EXPECT_EQ(callSigns, 20);
}

} // namespace
