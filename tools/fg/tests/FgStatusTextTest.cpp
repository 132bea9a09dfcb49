#include "tools/fg/FgStatusText.h"

#include "platform/ProcessTerminal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The view fits its terminal (a line that fills the row wraps on some terminals), its title
// with the default name and addresses is whole, and the newest events are shown in two rows
// each at most.
TEST(FgStatusText, TheViewFitsItsTerminal) {
    FgStatus status;
    status.link = FgLink::Receiving;
    status.messages = 123456789;
    status.malformed = 123456789;
    status.foreign = 123456789;
    status.ownKnown = true;
    const FgOptions options;
    std::vector<std::string> events;
    for (int i = 0; i < 8; ++i) {
        events.push_back("08:00:0" + std::to_string(i) + " event " + std::to_string(i) +
                         " takes more words than fit in one line of the view, " +
                         std::string(200, 'e'));
    }
    for (const TerminalSize size : {TerminalSize{80, 24}, {40, 12}, {132, 50}, {20, 5}}) {
        const std::vector<std::string> view =
            StatusView(status, options, events, 10, size.columns, size.rows);
        EXPECT_LE(view.size(), static_cast<std::size_t>(std::max(size.rows, 9)));
        for (const std::string& line : view) {
            EXPECT_LT(line.size(), static_cast<std::size_t>(size.columns)) << line;
        }
    }
    const std::vector<std::string> view = StatusView(status, options, events, 10, 80, 24);
    EXPECT_EQ(view[0],
              "corvane-fg  \"VisualInterface\"  FlightGear 127.0.0.1:5002 -> 127.0.0.1:5000");
    // 15 rows for events: the newest seven, two rows each, the newest last.
    ASSERT_EQ(view.size(), 24u - 1);
    EXPECT_EQ(view[7].rfind("08:00:01 event 1 takes more words", 0), 0u) << view[7];
    EXPECT_EQ(view[8].rfind("         eee", 0), 0u) << view[8];
    EXPECT_EQ(view[19].rfind("08:00:07 event 7", 0), 0u) << view[19];
    EXPECT_NE(StatusLine(status, 10).find("123456789 ignored"), std::string::npos);
}

} // namespace

namespace {
TEST(FgStatusText, TheStatusLineCountsAircraftByTheRuleOfTheirModel) {
    FgStatus status;
    status.publications = 3;
    status.lastPublication = 0;
    EXPECT_EQ(StatusLine(status, 1).find("models"), std::string::npos);
    status.matching = true;
    EXPECT_NE(StatusLine(status, 1).find("| models none yet |"), std::string::npos);
    status.byRule[static_cast<int>(MatchRule::Operator)] = 2;
    status.byRule[static_cast<int>(MatchRule::Registration)] = 1;
    status.byRule[static_cast<int>(MatchRule::Default)] = 4;
    EXPECT_NE(
        StatusLine(status, 1).find("| models 1 by registration, 2 by operator, 4 by default |"),
        std::string::npos)
        << StatusLine(status, 1);
}
} // namespace
