#include "tools/trafficlog/serve/BaseStationReplay.h"

#include "tests/support/CaseNames.h"
#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

namespace {

// 2024-06-01 08:00:00 UTC, and the calendar of the replay: 2026-12-09 05:00:00 UTC.
constexpr double kLogStart = 1717228800;
constexpr double kCalendar = 1796792400;
constexpr double kReplayStart = 100;

// A position message of the log `offset` seconds after its start (a day back is -86400).
std::string Message(double offset, const char* address = "4CA2B5") {
    const long long whole = static_cast<long long>(kLogStart + offset);
    const long long seconds = ((whole % 86400) + 86400) % 86400;
    const int milliseconds = static_cast<int>(std::lround((offset - std::floor(offset)) * 1000));
    char text[200];
    const char* date = whole >= static_cast<long long>(kLogStart) ? "2024/06/01" : "2024/05/31";
    std::snprintf(text, sizeof text,
                  "MSG,3,1,1,%s,1,%s,%02lld:%02lld:%02lld.%03d,%s,%02lld:%02lld:%02lld.%03d,,"
                  "35000,,,51.00000,-0.40000,,,0,0,0,0\n",
                  address, date, seconds / 3600, seconds / 60 % 60, seconds % 60, milliseconds,
                  date, seconds / 3600, seconds / 60 % 60, seconds % 60, milliseconds);
    return text;
}

struct Played {
    std::vector<double> due; // after the replay's start
    std::vector<std::string> lines;
};

Played PlayAll(BaseStationReplay& replay) {
    Played played;
    for (ReplayStep step; (step = replay.Next()) != ReplayStep::End;) {
        if (step == ReplayStep::BadLine) {
            continue;
        }
        played.due.push_back(replay.DueAt() - kReplayStart);
        played.lines.emplace_back(replay.Line(), static_cast<std::size_t>(replay.LineLength()));
    }
    return played;
}

struct PaceCase {
    const char* what;
    std::vector<double> offsets; // of the log's messages
    double speed;
    std::vector<double> due;
    int jumps;
};

void PrintTo(const PaceCase& c, std::ostream* out) {
    *out << c.what;
}

class Pace : public testing::TestWithParam<PaceCase> {};

TEST_P(Pace, MessagesFallDueAsTheLogsClockSays) {
    const PaceCase& c = GetParam();
    std::string text;
    for (const double offset : c.offsets) {
        text += Message(offset);
    }
    TempFile log(".sbs");
    log.Write(text);
    BaseStationReplay replay(c.speed, kReplayStart, kCalendar);
    ASSERT_TRUE(replay.Open(log.Path())) << replay.GetErrorText();
    const Played played = PlayAll(replay);
    ASSERT_EQ(played.due.size(), c.due.size());
    for (std::size_t i = 0; i < c.due.size(); ++i) {
        EXPECT_NEAR(played.due[i], c.due[i], 1e-6) << c.what << " message " << i;
    }
    EXPECT_EQ(replay.JumpsPassedOver(), c.jumps) << c.what;
    EXPECT_FALSE(replay.ReadFailed());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Pace,
    testing::Values(PaceCase{"own pace", {0, 1.5, 3, 3}, 1, {0, 1.5, 3, 3}, 0},
                    PaceCase{"twice as fast", {0, 1.5, 3}, 2, {0, 0.75, 1.5}, 0},
                    PaceCase{"a tenth as fast", {0, 0.5}, 0.1, {0, 5}, 0},
                    // A receiver off for an hour: the messages after it follow on at once.
                    PaceCase{"an hour's gap", {0, 1, 3601, 3602.5}, 1, {0, 1, 1, 2.5}, 1},
                    // A date that did not advance at midnight: a day back, followed on.
                    PaceCase{"a day back", {0, 10, -86380, -86379}, 1, {0, 10, 10, 11}, 1},
                    // A little out of order: due before the one before it, so sent at once.
                    PaceCase{"out of order", {0, 5, 4.5, 6}, 1, {0, 5, 4.5, 6}, 0}),
    NamedByPrint());

TEST(BaseStationReplay, MovesTheDateAndTimeToNowAndLeavesTheRest) {
    TempFile log(".sbs");
    // A line as dump1090 writes it, one without its logged time, and one without fractions, in
    // a file with CR LF line ends.
    log.Write("MSG,4,1,1,4CA2B5,1,2024/06/01,08:00:00.000,2024/06/01,08:00:00.000,,,451,"
              "92,,,-640,,0,0,0,0\r\n"
              "MSG,1,1,1,4CA2B5,1,2024/06/01,08:00:02.250,,,BAW123,,,,,,,,,,,\r\n"
              "AIR,,,,4CA2B5,1,2024/06/01,08:00:03,2024/06/01,08:00:03\r\n");
    BaseStationReplay replay(1, kReplayStart, kCalendar);
    ASSERT_TRUE(replay.Open(log.Path()));
    const Played played = PlayAll(replay);
    ASSERT_EQ(played.lines.size(), 3u);
    EXPECT_EQ(played.lines[0], "MSG,4,1,1,4CA2B5,1,2026/12/09,05:00:00.000,2026/12/09,"
                               "05:00:00.000,,,451,92,,,-640,,0,0,0,0\n");
    EXPECT_EQ(played.lines[1], "MSG,1,1,1,4CA2B5,1,2026/12/09,05:00:02.250,,,BAW123,,,,,,,,,,,\n");
    EXPECT_EQ(played.lines[2], "AIR,,,,4CA2B5,1,2026/12/09,05:00:03.000,2026/12/09,05:00:03.000\n");
}

TEST(BaseStationReplay, AStampAcrossMidnightCarriesTheDate) {
    TempFile log(".sbs");
    log.Write(Message(0) + Message(3.999));
    BaseStationReplay replay(4, kReplayStart, kCalendar + 68399);
    ASSERT_TRUE(replay.Open(log.Path()));
    const Played played = PlayAll(replay);
    ASSERT_EQ(played.lines.size(), 2u);
    EXPECT_NE(played.lines[0].find(",2026/12/09,23:59:59.000,"), std::string::npos)
        << played.lines[0];
    // 23:59:59.99975 rounds to the next day's first millisecond, never to "59.1000".
    EXPECT_NE(played.lines[1].find(",2026/12/10,00:00:00.000,"), std::string::npos)
        << played.lines[1];
}

// A pass of a loop begins a pause after the pass before ended, at any speed.
TEST(BaseStationReplay, ALoopGoesOnWhereThePassBeforeEnded) {
    TempFile log(".sbs");
    log.Write(Message(0) + Message(2) + Message(4));
    BaseStationReplay replay(2, kReplayStart, kCalendar);
    ASSERT_TRUE(replay.Open(log.Path()));
    const Played first = PlayAll(replay);
    ASSERT_TRUE(replay.Open(log.Path()));
    const Played second = PlayAll(replay);
    constexpr double kPause = BaseStationReplay::kPassPauseSeconds;
    EXPECT_EQ(first.due, (std::vector<double>{0, 1, 2}));
    EXPECT_EQ(second.due, (std::vector<double>{2 + kPause, 3 + kPause, 4 + kPause}));
    // The stamps run on with the replay, not back to the first pass's.
    EXPECT_NE(second.lines[2].find(",05:00:05.000,"), std::string::npos) << second.lines[2];
    EXPECT_EQ(replay.JumpsPassedOver(), 0);
    EXPECT_EQ(replay.Messages(), 6);
}

// A log that spans no time once went round as fast as it could be read, to a client or to none:
// each pass takes the log's span and a pause.
TEST(BaseStationReplay, ALoopOfALogThatSpansNoTimeTakesAPauseEachPass) {
    for (const std::string& content : {Message(7), Message(7) + Message(7, "4CA2B6")}) {
        TempFile log(".sbs");
        log.Write(content);
        BaseStationReplay replay(1000, kReplayStart, kCalendar);
        double passStart = -1;
        for (int pass = 0; pass < 5; ++pass) {
            ASSERT_TRUE(replay.Open(log.Path()));
            const Played played = PlayAll(replay);
            ASSERT_FALSE(played.due.empty());
            EXPECT_GE(played.due.front(), passStart + BaseStationReplay::kPassPauseSeconds)
                << "pass " << pass;
            EXPECT_EQ(played.due.front(), played.due.back());
            passStart = played.due.front();
        }
        EXPECT_EQ(passStart, 4 * BaseStationReplay::kPassPauseSeconds);
    }
}

TEST(BaseStationReplay, ReadsAGzipLogAsAPlainOne) {
    const std::string text = Message(0) + Message(1);
    TempFile plain(".sbs");
    plain.Write(text);
    TempFile packed(".sbs.gz");
    packed.Write(GzipBytes(text));
    BaseStationReplay fromPlain(1, kReplayStart, kCalendar);
    BaseStationReplay fromPacked(1, kReplayStart, kCalendar);
    ASSERT_TRUE(fromPlain.Open(plain.Path()));
    ASSERT_TRUE(fromPacked.Open(packed.Path())) << fromPacked.GetErrorText();
    EXPECT_EQ(PlayAll(fromPacked).lines, PlayAll(fromPlain).lines);
}

struct BadLine {
    const char* line;
    const char* reason;
};

void PrintTo(const BadLine& c, std::ostream* out) {
    *out << "'" << c.line << "'";
}

class BadLines : public testing::TestWithParam<BadLine> {};

TEST_P(BadLines, AreCountedAndSkipped) {
    TempFile log(".sbs");
    log.Write(Message(0) + GetParam().line + "\n" + Message(1));
    BaseStationReplay replay(1, kReplayStart, kCalendar);
    ASSERT_TRUE(replay.Open(log.Path()));
    EXPECT_EQ(PlayAll(replay).lines.size(), 2u);
    EXPECT_EQ(replay.BadLines(), 1);
    EXPECT_EQ(replay.BadLineNumber(), 2);
    EXPECT_EQ(replay.BadLineReason(), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadLines,
    testing::Values(BadLine{"", "not a BaseStation message"},
                    BadLine{"hex,callsign,time", "not a BaseStation message"},
                    BadLine{"MSG,3,1,1,4CA2B5,1", "no date and time in fields 7 and 8"},
                    BadLine{"MSG,3,1,1,4CA2B5,1,2024/13/01,08:00:00.000,,",
                            "no date and time in fields 7 and 8"},
                    BadLine{"MSG,3,1,1,4CA2B5,1,,,,,,35000", "no date and time in fields 7 and 8"}),
    NamedByPrint());

// A NUL byte ends the text a client takes from the line: the message would go out cut short,
// its position fields lost, as if whole.
TEST(BaseStationReplay, ALineWithANulByteIsBad) {
    TempFile log(".sbs");
    std::string cut = Message(0.5);
    cut[cut.find(",,35000")] = '\0';
    log.Write(Message(0) + cut + Message(1));
    BaseStationReplay replay(1, kReplayStart, kCalendar);
    ASSERT_TRUE(replay.Open(log.Path()));
    EXPECT_EQ(PlayAll(replay).lines.size(), 2u);
    EXPECT_EQ(replay.BadLines(), 1);
    EXPECT_EQ(replay.BadLineReason(), "a NUL byte in it");
}

TEST(BaseStationReplay, PassesOverALineLongerThanAnyMessage) {
    TempFile log(".sbs");
    log.Write(Message(0) + "MSG,3," + std::string(5000, 'x') + "\n" + Message(1));
    BaseStationReplay replay(1, kReplayStart, kCalendar);
    ASSERT_TRUE(replay.Open(log.Path()));
    EXPECT_EQ(PlayAll(replay).lines.size(), 2u);
    EXPECT_EQ(replay.BadLineReason(), "longer than any message");
}

TEST(BaseStationReplay, SaysWhichLogItCannotOpen) {
    BaseStationReplay replay(1, kReplayStart, kCalendar);
    EXPECT_FALSE(replay.Open("/nonexistent-folder/today.sbs"));
    EXPECT_NE(replay.FullErrorText().find("/nonexistent-folder/today.sbs"), std::string::npos)
        << replay.FullErrorText();
    EXPECT_EQ(replay.Next(), ReplayStep::End);
    EXPECT_TRUE(replay.ReadFailed());
}

} // namespace
