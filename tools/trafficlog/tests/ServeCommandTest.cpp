#include "platform/TcpClient.h"
#include "platform/TcpServer.h"
#include "tests/support/CaseNames.h"
#include "tools/trafficlog/tests/TrafficLogRun.h"
#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace {

bool Holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string Message(const char* time, const char* latitude) {
    return std::string("MSG,3,1,1,4CA2B5,1,2024/06/01,") + time + ",2024/06/01," + time +
           ",,35000,,,," + latitude + ",-0.40000,,,0,0,0,0\n";
}

// A port that no program holds now.
std::uint16_t FreePort() {
    TcpServer probe;
    return probe.Listen(0) ? probe.Port() : 0;
}

struct Refusal {
    std::vector<const char*> args;
    const char* expected;
};

void PrintTo(const Refusal& c, std::ostream* out) {
    *out << "trafficlog";
    for (const char* arg : c.args) {
        *out << " " << arg;
    }
}

class ServeRefusals : public testing::TestWithParam<Refusal> {};

TEST_P(ServeRefusals, NameWhatIsWrongWithExitCode2) {
    const Outcome run = Trafficlog(GetParam().args);
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.err,
              std::string("trafficlog: ") + GetParam().expected + "\nTry 'trafficlog --help'.\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ServeRefusals,
    testing::Values(
        Refusal{{"serve", "today.sbs"}, "serve needs --sbs PORT"},
        Refusal{{"serve", "--sbs", "30003"}, "serve needs a LOG"},
        Refusal{{"serve", "--sbs", "0", "a.sbs"}, "--sbs '0' is out of range (1 to 65535)"},
        Refusal{{"serve", "--sbs", "65536", "a.sbs"}, "--sbs '65536' is out of range (1 to 65535)"},
        Refusal{{"serve", "--sbs", "localhost:30003", "a.sbs"},
                "--sbs 'localhost:30003' is not a whole number"},
        Refusal{{"serve", "--sbs", "30003", "--speed", "0", "a.sbs"},
                "--speed '0' is out of range (0.01 to 1000)"},
        Refusal{{"serve", "--sbs", "30003", "--loop=yes", "a.sbs"}, "--loop takes no value"},
        Refusal{{"serve", "--sbs", "30003", "a.sbs", "b.sbs"}, "unexpected argument 'b.sbs'"}),
    NamedByPrint());

TEST(ServeCommand, SaysThatItsPortIsInUse) {
    TcpServer holder;
    ASSERT_TRUE(holder.Listen(0));
    TempFile log(".sbs");
    log.Write(Message("08:00:00.000", "51.0"));
    const std::string port = std::to_string(holder.Port());
    const Outcome run = Trafficlog({"serve", "--sbs", port.c_str(), log.Path()});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(Holds(run.err, "trafficlog: cannot serve on port " + port + ": ")) << run.err;
    EXPECT_TRUE(Holds(run.err, "choose another port")) << run.err;
}

TEST(ServeCommand, SaysWhichLogIsMissing) {
    const std::string port = std::to_string(FreePort());
    const Outcome run = Trafficlog({"serve", "--sbs", port.c_str(), "/nonexistent-folder/a.sbs"});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(Holds(run.err, "/nonexistent-folder/a.sbs")) << run.err;
}

TEST(ServeCommand, ALogWithoutMessagesIsNoSuccessEvenInALoop) {
    TempFile log(".sbs");
    log.Write("hex,callsign\n4CA2B5,BAW1\n");
    const std::string port = std::to_string(FreePort());
    const Outcome run = Trafficlog({"serve", "--sbs", port.c_str(), "--loop", log.Path()});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(Holds(run.err, ":1: not a BaseStation message: skipped")) << run.err;
    EXPECT_TRUE(Holds(run.err, ":2: not a BaseStation message: skipped")) << run.err;
    EXPECT_TRUE(Holds(run.err, "no BaseStation message with a date and time in it")) << run.err;
    EXPECT_TRUE(Holds(run.out, "0 messages served to 0 clients; 2 bad lines skipped")) << run.out;
}

// A client that connects while the log plays gets the messages from then on, their times moved
// to now, and sees the connection close at the end of the log.
TEST(ServeCommand, ServesAClientTheRestOfTheLogAsOfNow) {
    TempFile log(".sbs");
    log.Write(Message("08:00:00.000", "51.0") + "not a message\n" +
              Message("08:00:01.000", "51.1") + Message("08:00:01.100", "51.2"));
    const std::uint16_t port = FreePort();
    const std::string portText = std::to_string(port);
    Outcome run{};
    std::thread server([&] { run = Trafficlog({"serve", "--sbs", portText.c_str(), log.Path()}); });
    TcpClient client;
    for (int tries = 0; tries < 100 && !client.Connect("127.0.0.1", port, 200); ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::string text;
    char buffer[1024];
    std::size_t size = 0;
    TcpReceipt receipt = TcpReceipt::Nothing;
    for (int waits = 0; waits < 100 && receipt != TcpReceipt::Closed; ++waits) {
        receipt = client.Receive(buffer, sizeof buffer, 100, size);
        text.append(buffer, size);
    }
    server.join();
    EXPECT_EQ(receipt, TcpReceipt::Closed);
    const std::string second = Message("08:00:01.000", "51.1");
    const std::size_t at = text.find(",51.1,");
    ASSERT_NE(at, std::string::npos) << text;
    const std::size_t begin = text.rfind("MSG,", at);
    const std::string received = text.substr(begin, text.find('\n', at) + 1 - begin);
    // All but the date and time as in the log, and those of the day it was served.
    EXPECT_EQ(received.substr(0, 19), second.substr(0, 19));
    EXPECT_EQ(received.substr(66), second.substr(66));
    EXPECT_EQ(received.substr(19, 10), received.substr(43, 10));
    EXPECT_NE(received.substr(19, 10), "2024/06/01") << received;
    EXPECT_TRUE(Holds(text, ",51.2,")) << text;
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(Holds(run.out, "3 messages served to 1 client; 1 bad line skipped")) << run.out;
    EXPECT_TRUE(Holds(run.err, ":2: not a BaseStation message: skipped")) << run.err;
    EXPECT_TRUE(Holds(run.err, " connected (1 client)")) << run.err;
}

TEST(ServeCommand, IsListedWithTheOtherCommands) {
    const Outcome overview = Trafficlog({"--help"});
    EXPECT_TRUE(Holds(overview.out, "  serve --sbs PORT [OPTION]... LOG\n")) << overview.out;
    EXPECT_TRUE(Holds(overview.out, "Options of serve:\n  --sbs PORT")) << overview.out;
    const Outcome own = Trafficlog({"serve", "--help"});
    EXPECT_EQ(own.code, 0);
    EXPECT_TRUE(Holds(own.out, "Usage: trafficlog serve --sbs PORT")) << own.out;
    // Every line of every help fits a terminal of 80 columns.
    for (const std::string& text : {overview.out, own.out}) {
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = text.find('\n', start);
            EXPECT_LE(end - start, 79u) << text.substr(start, end - start);
            start = end + 1;
        }
    }
}

} // namespace
