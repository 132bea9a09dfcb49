#include "tools/trafficlog/convert/Recorder.h"

#include "tests/support/LoopbackServer.h"
#include "tools/trafficlog/datafile/TrafficFileChecker.h"
#include "tools/trafficlog/datafile/TrafficScanner.h"
#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t kStart = 1700000000;

// One second passes per loop of the recorder (it reads the clock twice a loop). The calendar
// says kStart when first asked and is set by `calendarStep` for every later reading.
class SteppingClock : public Clock {
public:
    explicit SteppingClock(std::int64_t calendarStep = 0) : calendarStep(calendarStep) {}
    std::int64_t NowSeconds() override { return kStart + (calendarReads++ > 0 ? calendarStep : 0); }
    std::int64_t MonotonicSeconds() override { return calls++ / 2; }
    void SleepMilliseconds(std::int32_t) override {}

private:
    std::int64_t calendarStep;
    std::int64_t calendarReads = 0;
    std::int64_t calls = 0;
};

class Findings : public CheckFindingSink {
public:
    void Report(std::int64_t line, CheckFault fault, const char* text) override {
        found.push_back(std::to_string(line) + " " + CheckFaultName(fault) + ": " + text);
    }
    std::vector<std::string> found;
};

class EntryCounter : public ScanSink {
public:
    void Entry(const ScannedEntry& entry) override { checked.push_back(entry.aircraftChecked); }
    std::vector<int> checked;
};

// Copies the data file while the recording runs, as a crash would leave it.
class Watcher : public RecordSink {
public:
    explicit Watcher(const TempFile& file, const TempFile& copy) : file(file), copy(copy) {}
    void Status(const RecordStatus& status) override {
        last = status;
        if (status.entries == 2 && !copied) {
            copied = true;
            std::filesystem::copy_file(file.Path(), copy.Path(),
                                       std::filesystem::copy_options::overwrite_existing);
        }
    }
    bool StopRequested() override { return false; }

    const TempFile& file;
    const TempFile& copy;
    RecordStatus last;
    bool copied = false;
};

// Recording the feed at 127.0.0.1:`port` into `file` for `duration` seconds (0: until stopped).
RecordOptions Loopback(std::uint16_t port, const TempFile& file, std::int64_t duration) {
    RecordOptions options;
    options.host = "127.0.0.1";
    options.port = port;
    options.output = file.Path();
    options.durationSeconds = duration;
    return options;
}

std::string Position(const char* hex, const char* lat, const char* lon) {
    return std::string("MSG,3,1,1,") + hex +
           ",1,2024/06/01,12:00:00.000,2024/06/01,12:00:00.000,," + "35000,,," + lat + "," + lon +
           ",,,0,0,0,0\r\n";
}

TEST(Recorder, RecordsAFeedThatDropsAndComesBack) {
    LoopbackServer server;
    server.Serve(
        {"MSG,1,1,1,4CA2B5,1,2024/06/01,12:00:00.000,2024/06/01,12:00:00.000,RYR1,,,,,,,,,,,0\n" +
             Position("4CA2B5", "51.47", "-0.45") + Position("400AE7", "51.10", "-0.2") +
             "MSG,3,1,1,4CA2B5,1,garbage\n" + std::string(5000, 'x') + "\nMSG,3,1",
         Position("3C6444", "50.03", "8.57")},
        true);
    TempFile file(".dat");
    TempFile cutShort(".dat");
    const RecordOptions options = Loopback(server.Port(), file, 35);
    SteppingClock clock;
    Recorder recorder(clock, 20);
    Watcher watcher(file, cutShort);
    ASSERT_TRUE(recorder.Record(options, watcher)) << recorder.GetErrorText();

    EXPECT_EQ(server.Accepted(), 2);
    EXPECT_EQ(watcher.last.connections, 2);
    EXPECT_EQ(watcher.last.badMessages, 2); // the short message and the long line
    const std::string data = file.Read();
    EXPECT_NE(data.find("####_ENTRY_0_####\n"), std::string::npos) << data;
    for (const char* heard : {"RYR1|4CA2B5|1700000010|51.47000|-0.45000|10668.0||||",
                              "400AE7|400AE7|1700000010|51.10000|-0.20000|",
                              "3C6444|3C6444|1700000010|50.03000|8.57000|"}) {
        EXPECT_NE(data.find(heard), std::string::npos) << heard << "\n" << data;
    }

    Findings closed;
    TrafficFileChecker checker;
    ASSERT_TRUE(checker.Check(file.Path(), closed));
    EXPECT_TRUE(closed.found.empty()) << closed.found.front();
    EntryCounter played;
    TrafficScanner scanner;
    ASSERT_TRUE(scanner.Scan(file.Path(), 51.3, -0.3, played));
    EXPECT_EQ(played.checked.size(), 3u);

    // Cut short after its second entry, the file holds both whole; check says how to close it.
    ASSERT_TRUE(watcher.copied);
    Findings cut;
    ASSERT_TRUE(checker.Check(cutShort.Path(), cut));
    ASSERT_EQ(cut.found.size(), 1u);
    EXPECT_NE(cut.found[0].find("missing end tag"), std::string::npos) << cut.found[0];
    EXPECT_NE(cut.found[0].find("closed by adding that line"), std::string::npos);
}

// Positions are stamped in whole seconds: each is written moved on to its stamp by its
// aircraft's velocity, as a feeder moves it on from there; one without a velocity as heard.
TEST(Recorder, WritesEachPositionWhereItsAircraftWasAtTheStamp) {
    LoopbackServer server;
    server.Serve({"MSG,4,1,1,4CA2B5,1,2024/06/01,12:00:00.000,2024/06/01,12:00:00.000,,,300,0.0,,,"
                  "0,,0,0,0,0\r\n" +
                  Position("4CA2B5", "51.47000", "-0.45000") +
                  Position("400AE7", "51.10000", "-0.20000")},
                 true);
    TempFile file(".dat");
    TempFile unused(".dat");
    const RecordOptions options = Loopback(server.Port(), file, 15);
    SteppingClock clock;
    Recorder recorder(clock, 20);
    Watcher watcher(file, unused);
    ASSERT_TRUE(recorder.Record(options, watcher)) << recorder.GetErrorText();

    const std::string data = file.Read();
    EXPECT_NE(data.find("400AE7|400AE7|1700000010|51.10000|-0.20000|"), std::string::npos) << data;
    const std::string north = "4CA2B5|4CA2B5|1700000010|";
    const std::size_t at = data.find(north);
    ASSERT_NE(at, std::string::npos) << data;
    // Heard in one of the ten seconds before the stamp (the clock steps a second a loop), at
    // 300 kt due north: 154 m a second.
    const double metres = (std::stod(data.substr(at + north.size())) - 51.47) * 111195.0;
    EXPECT_GE(metres, 150.0) << data;
    EXPECT_LE(metres, 1550.0) << data;
    EXPECT_NE(data.find("|-0.45000|", at), std::string::npos) << data;
}

TEST(Recorder, KeepsItsCadenceWhenTheCalendarIsSetBackAnHour) {
    LoopbackServer server;
    server.Serve({Position("4CA2B5", "51.47", "-0.45")}, true);
    TempFile file(".dat");
    TempFile unused(".dat");
    const RecordOptions options = Loopback(server.Port(), file, 25);
    SteppingClock clock(-3600);
    Recorder recorder(clock, 20);
    Watcher watcher(file, unused);
    ASSERT_TRUE(recorder.Record(options, watcher)) << recorder.GetErrorText();

    EXPECT_EQ(watcher.last.entries, 2);
    const std::string data = file.Read();
    const std::size_t first = data.find("|1700000010|");
    EXPECT_NE(first, std::string::npos) << data;
    EXPECT_GT(data.find("|1700000020|"), first) << data;
}

TEST(Recorder, NeverWritesOverARecording) {
    TempFile file(".dat");
    file.Write("header\n####_BEGIN_####\n");
    const RecordOptions options = Loopback(9, file, 0);
    SteppingClock clock;
    Recorder recorder(clock, 20);
    Watcher watcher(file, file);
    EXPECT_FALSE(recorder.Record(options, watcher));
    EXPECT_NE(recorder.FullErrorText().find("holds a recording"), std::string::npos);
    EXPECT_EQ(file.Read(), "header\n####_BEGIN_####\n");
}

// Keeps every failed try's text, as the log shows them.
class FailureLog : public RecordSink {
public:
    void Status(const RecordStatus& status) override {
        if (status.failures != failures) {
            failures = status.failures;
            tries.push_back(status.lastProblem);
        }
        last = status;
    }
    bool StopRequested() override { return false; }

    int failures = 0;
    std::vector<std::string> tries;
    RecordStatus last;
};

std::string Retry(const std::string& text) {
    return text.substr(text.rfind(';') + 1);
}

// Nothing listening: every try says why and when the next comes, the tries come farther apart,
// and a recording that never received a message leaves no file to block the next one.
TEST(Recorder, SaysWhyEachTryFailedAndLeavesNoEmptyRecording) {
    std::uint16_t freePort = 0;
    {
        LoopbackServer closed;
        freePort = closed.Port();
    }
    TempFile file(".dat");
    const RecordOptions options = Loopback(freePort, file, 25);
    SteppingClock clock;
    Recorder recorder(clock, 20);
    FailureLog log;
    EXPECT_FALSE(recorder.Record(options, log));
    EXPECT_TRUE(recorder.NothingRecorded());
    const std::string feed = "127.0.0.1:" + std::to_string(freePort);
    ASSERT_EQ(log.tries.size(), 5u);
    // Why, in the system's words, and when the next try comes.
    const std::string why = "cannot connect to " + feed + ": ";
    EXPECT_EQ(log.tries[0].rfind(why, 0), 0u) << log.tries[0];
    EXPECT_NE(log.tries[0].find("refused"), std::string::npos) << log.tries[0];
    EXPECT_NE(log.tries[0].find("; trying again in 1 s"), std::string::npos) << log.tries[0];
    EXPECT_EQ(log.tries[0].find(".;"), std::string::npos) << log.tries[0];
    std::vector<std::string> retries;
    for (const std::string& text : log.tries) {
        retries.push_back(Retry(text));
    }
    EXPECT_EQ(retries, (std::vector<std::string>{" trying again in 1 s", " trying again in 2 s",
                                                 " trying again in 4 s", " trying again in 8 s",
                                                 " trying again in 16 s"}));
    EXPECT_FALSE(std::filesystem::exists(file.Path()));
    EXPECT_NE(recorder.FullErrorText().find("no message came from " + feed + " (" + why),
              std::string::npos)
        << recorder.FullErrorText();
    EXPECT_NE(recorder.FullErrorText().find("): nothing recorded"), std::string::npos)
        << recorder.FullErrorText();
}

// A feed that accepts and closes at once: the tries come farther apart as long as no message
// comes, each said once; a message brings the back-off down again.
TEST(Recorder, BacksOffFromAFeedThatClosesAtOnce) {
    LoopbackServer server;
    std::vector<std::string> replies(40, "");
    replies[6] = Position("4CA2B5", "51.47", "-0.45");
    server.Serve(replies, false);
    TempFile file(".dat");
    const RecordOptions options = Loopback(server.Port(), file, 300);
    SteppingClock clock;
    Recorder recorder(clock, 20);
    FailureLog log;
    ASSERT_TRUE(recorder.Record(options, log)) << recorder.GetErrorText();
    ASSERT_GE(log.tries.size(), 7u);
    const std::string closed = "127.0.0.1:" + std::to_string(server.Port()) +
                               " closed the connection before a message came;";
    EXPECT_EQ(log.tries[0], closed + " trying again in 1 s");
    std::vector<std::string> retries;
    for (const std::string& text : log.tries) {
        retries.push_back(Retry(text));
    }
    EXPECT_EQ(std::vector<std::string>(retries.begin(), retries.begin() + 7),
              (std::vector<std::string>{" trying again in 1 s", " trying again in 2 s",
                                        " trying again in 4 s", " trying again in 8 s",
                                        " trying again in 16 s", " trying again in 32 s",
                                        " trying again in 1 s"}));
    EXPECT_EQ(log.last.messages, 1);
    EXPECT_GE(server.Accepted(), static_cast<int>(log.tries.size()) + 1);
    EXPECT_LE(server.Accepted(), static_cast<int>(log.tries.size()) + 2);
    EXPECT_LE(server.Accepted(), 20);
}

// An aircraft that reports surface positions (taxiing, parked) is recorded without a height, as
// a recording keeps aircraft on the ground; one that lands is recorded on the ground from its
// first surface position on.
TEST(Recorder, KeepsAircraftThatReportSurfacePositions) {
    LoopbackServer server;
    server.Serve({Position("4CA2B5", "21.33", "-157.95") +
                  "MSG,2,1,1,4CA2B6,1,2024/06/01,12:00:00.000,2024/06/01,12:00:00.000,,,15,"
                  "90,21.32,-157.92,,,,,,-1\r\n" +
                  "MSG,2,1,1,4CA2B5,1,2024/06/01,12:00:01.000,2024/06/01,12:00:01.000,,,45,"
                  "80,21.3251,-157.94,,,,,,-1\r\n"},
                 true);
    TempFile file(".dat");
    SteppingClock clock;
    Recorder recorder(clock, 20);
    FailureLog log;
    ASSERT_TRUE(recorder.Record(Loopback(server.Port(), file, 15), log)) << recorder.GetErrorText();
    const std::string data = file.Read();
    // Kept with no height, each moved on along its taxi track to the entry's stamp.
    EXPECT_NE(data.find("4CA2B6|4CA2B6|1700000010|21.32000|-157.91940|||90.0|7.72|\n"),
              std::string::npos)
        << data;
    EXPECT_NE(data.find("4CA2B5|4CA2B5|1700000010|21.32539|-157.93824|||80.0|23.15|\n"),
              std::string::npos)
        << data;
    EXPECT_EQ(log.last.badMessages, 0);
}

} // namespace
