#include "tools/fg/FgRunner.h"

#include "platform/NamedMapping.h"
#include "platform/UdpSocket.h"
#include "shared_memory/VisualShm.h"
#include "tests/support/CapturedOutput.h"
#include "tests/support/QuitAfter.h"
#include "tests/support/UniqueName.h"
#include "text_functions/TextFunctions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// A port that was free a moment ago.
std::uint16_t FreePort() {
    UdpSocket probe;
    UdpEndpoint any;
    EXPECT_TRUE(probe.Resolve("127.0.0.1", 0, any));
    EXPECT_TRUE(probe.Bind(any));
    return probe.LocalPort();
}

#ifdef _WIN32
// A Windows block goes with its last user: its name cannot be removed under it.
constexpr bool kBlockNamesCanBeRemoved = false;
#else
constexpr bool kBlockNamesCanBeRemoved = true;
#endif

// A FlightGear's multiplayer output: position messages from a socket of its own.
class FakeFlightGear {
public:
    explicit FakeFlightGear(std::uint16_t bridgePort) {
        EXPECT_TRUE(socket.Resolve("127.0.0.1", bridgePort, bridge));
        UdpEndpoint any;
        EXPECT_TRUE(socket.Resolve("127.0.0.1", 0, any));
        EXPECT_TRUE(socket.Bind(any));
    }
    void Send(const char* callsign, double latitude) {
        MpPosition own{};
        CopyBounded(own.callsign, callsign, kMpCallsignSize);
        const GeodeticPosition at{latitude, -1.25, 600};
        own.position = ToEarthFixed(at);
        own.attitude = AttitudeVector(at, {0, 0, 0});
        std::uint8_t datagram[kMpPositionSize];
        EncodePosition(own, datagram, sizeof datagram);
        socket.SendTo(bridge, datagram, sizeof datagram);
    }

private:
    UdpSocket socket;
    UdpEndpoint bridge;
};

// A terminal that is no terminal and asks to quit once the test says so.
class QuitWhen : public ProcessTerminal {
public:
    explicit QuitWhen(const std::atomic<bool>& quit) : quit(quit) {}
    bool IsTerminal() const override { return false; }
    TerminalSize Size() const override { return {80, 24}; }
    bool QuitRequested() override { return quit; }
    bool Draw(const std::vector<std::string>&) override { return true; }
    void EndDrawing() override {}

private:
    const std::atomic<bool>& quit;
};

// A terminal that keeps the last picture drawn, and asks to quit once the test says so.
class ViewTerminal : public QuitWhen {
public:
    using QuitWhen::QuitWhen;
    bool IsTerminal() const override { return true; }
    bool Draw(const std::vector<std::string>& lines) override {
        const std::lock_guard<std::mutex> lock(mutex);
        picture = lines;
        return true;
    }
    std::vector<std::string> Picture() {
        const std::lock_guard<std::mutex> lock(mutex);
        return picture;
    }

private:
    std::mutex mutex;
    std::vector<std::string> picture;
};

// Waits (at most about ten seconds) until `done` holds; whether it came to hold.
template <typename Condition> bool WaitFor(Condition done) {
    for (int i = 0; i < 1000 && !done(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

int Count(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// A terminal that is no terminal and asks to quit once the bridge has attached to its block
// (once more than when the terminal was made), so that the loading before it ends by itself.
class QuitOnceAttached : public ProcessTerminal {
public:
    explicit QuitOnceAttached(const CapturedOutput& log)
        : log(log), before(Count(log.Text(), "attached to block")) {}
    bool IsTerminal() const override { return false; }
    TerminalSize Size() const override { return {80, 24}; }
    bool QuitRequested() override { return Count(log.Text(), "attached to block") > before; }
    bool Draw(const std::vector<std::string>&) override { return true; }
    void EndDrawing() override {}

private:
    const CapturedOutput& log;
    int before;
};

class FgRunnerTest : public testing::Test {
protected:
    FgRunnerTest()
        : name(UniqueName("CorvaneFgTest")), outLog(name + ".out"), errLog(name + ".err"),
          out(outLog.Stream()), err(errLog.Stream()) {
        options.name = name.c_str();
        options.logLines = true;
        // Not the machine's FlightGear data: reading it takes a while and is not what these
        // tests are about.
        options.fgRoot = name + "-no-flightgear";
    }
    ~FgRunnerTest() override {
        Stop();
        // A POSIX block outlives its last user; this one is the test's alone.
        NamedMapping::Unlink(name.c_str());
    }

    // Runs the bridge on a thread of its own, and waits until it listens.
    void Start(ProcessTerminal& terminal) {
        quit = false;
        const int started = Count(outLog.Text(), "attached to block");
        bridge =
            std::thread([this, &terminal] { status = RunBridge(options, terminal, out, err); });
        EXPECT_TRUE(WaitFor([&] {
            return Count(outLog.Text(), "attached to block") > started ||
                   Count(errLog.Text(), "corvane-fg") > 0;
        }));
    }
    // Asks the bridge to quit (unless it ends by itself) and waits for its end; its exit code.
    int Stop(bool ask = true) {
        quit = quit || ask;
        if (bridge.joinable()) {
            bridge.join();
        }
        return status;
    }

    std::atomic<bool> quit{false};
    QuitWhen terminal{quit};
    std::thread bridge;
    int status = -1;
    std::string name;
    CapturedOutput outLog;
    CapturedOutput errLog;
    std::FILE* out;
    std::FILE* err;
    FgOptions options;
};

TEST_F(FgRunnerTest, APortInUseIsSaidPlainly) {
    UdpSocket holder;
    UdpEndpoint local;
    ASSERT_TRUE(holder.Resolve("127.0.0.1", 0, local));
    ASSERT_TRUE(holder.Bind(local));
    options.listenPort = holder.LocalPort();
    QuitOnceAttached terminal(outLog);
    EXPECT_EQ(RunBridge(options, terminal, out, err), 1);
    const std::string text = errLog.Text();
    EXPECT_NE(text.find("corvane-fg: cannot listen for FlightGear on 127.0.0.1:" +
                        std::to_string(holder.LocalPort()) + ": UdpSocket::Bind / "),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Another program holds the port"), std::string::npos) << text;
}

// What the bridge places its traffic with is said at start; a geoid grid the user names and the
// bridge cannot read ends it, as a database the user names does.
TEST_F(FgRunnerTest, TheWorldItLoadsIsSaidAndANamedGridIsWanted) {
    options.listenPort = FreePort();
    QuitOnceAttached quick(outLog);
    EXPECT_EQ(RunBridge(options, quick, out, err), 0);
    const std::string said = outLog.Text();
    EXPECT_NE(said.find("no FlightGear airports"), std::string::npos) << said;
    EXPECT_EQ(Count(said, "geoid grid "), 1) << said;

    options.geoid = name + "-no-grid.gtx";
    QuitOnceAttached again(outLog);
    EXPECT_EQ(RunBridge(options, again, out, err), 1);
    EXPECT_NE(errLog.Text().find("corvane-fg: cannot open the geoid grid " + options.geoid),
              std::string::npos)
        << errLog.Text();
}

// Real sockets and a real block: FlightGear's messages come in over UDP, the feeder's
// publication goes out as multiplayer aircraft, and quitting leaves the ending state.
TEST_F(FgRunnerTest, FlightGearOverUdpMeetsTheFeederThroughTheBlock) {
    CVisShm feeder(name.c_str());
    ASSERT_TRUE(feeder.IsValid());
    auto* block = static_cast<VisualInterfaceBlock*>(feeder.GetBlock());
    AircraftRecord& record = block->aircraft[0];
    CopyBounded(record.callsign, "UDPTEST", 9);
    record.latitude = 50.46;
    record.longitude = 0.02;
    record.geoAltitude = 1000;
    block->aircraftCount = 1;

    UdpSocket flightGearIn; // FlightGear's multiplayer input
    UdpEndpoint in;
    ASSERT_TRUE(flightGearIn.Resolve("127.0.0.1", 0, in));
    ASSERT_TRUE(flightGearIn.Bind(in));
    options.sendPort = flightGearIn.LocalPort();
    options.listenPort = FreePort();

    QuitAfter terminal(20); // two seconds of ticks
    int status = -1;
    std::thread bridge([&] { status = RunBridge(options, terminal, out, err); });

    UdpSocket flightGearOut;
    UdpEndpoint bridgeEnd;
    ASSERT_TRUE(flightGearOut.Resolve("127.0.0.1", options.listenPort, bridgeEnd));
    MpPosition own{};
    CopyBounded(own.callsign, "FGOWN", kMpCallsignSize);
    const GeodeticPosition at{51.5, -1.25, 600};
    own.position = ToEarthFixed(at);
    own.attitude = AttitudeVector(at, {0, 0, 0});
    std::uint8_t datagram[kMpPositionSize];
    ASSERT_EQ(EncodePosition(own, datagram, sizeof datagram), kMpPositionSize);
    int traffic = 0;
    MpDecoder decoder;
    for (int i = 0; i < 15; ++i) {
        flightGearOut.SendTo(bridgeEnd, datagram, sizeof datagram);
        if (i == 5) {
            block->publishCounter += 1; // the feeder publishes
        }
        std::uint8_t received[kMpMaxDatagram];
        std::size_t size = 0;
        while (flightGearIn.Receive(received, sizeof received, 100, size) == UdpReceipt::Datagram) {
            MpPosition message{};
            if (decoder.Decode(received, size, message) == MpDecodeResult::Position &&
                std::strcmp(message.callsign, "UDPTEST") == 0) {
                ++traffic;
            }
        }
    }
    bridge.join();
    EXPECT_EQ(status, 0) << errLog.Text();
    EXPECT_NEAR(block->ownLatitude, 51.5, 1e-9);
    EXPECT_NEAR(block->ownLongitude, -1.25, 1e-9);
    EXPECT_EQ(block->simulationState, kSimulationEnding);
    EXPECT_EQ(block->attachCount, 1); // the bridge detached again
    EXPECT_GT(traffic, 3);
    const std::string log = outLog.Text();
    EXPECT_NE(log.find("FlightGear found: FGOWN at 51.5000 -1.2500, 1969 ft"), std::string::npos)
        << log;
    EXPECT_NE(log.find("1 aircraft forwarded, 0 skipped: UDPTEST"), std::string::npos) << log;
}

// FlightGear's own aircraft is the first sender's: a second FlightGear, or anything else that
// sends position messages, neither moves the own-ship nor takes its place.
TEST_F(FgRunnerTest, TheOwnShipIsTheFirstSendersAndNoOtherOne) {
    options.listenPort = FreePort();
    options.settings.endAfterSilence = 60;
    Start(terminal);
    CVisShm feeder(name.c_str());
    ASSERT_TRUE(feeder.IsValid());
    auto* block = static_cast<VisualInterfaceBlock*>(feeder.GetBlock());
    FakeFlightGear first(options.listenPort);
    FakeFlightGear second(options.listenPort);
    first.Send("FGOWN", 51.5);
    EXPECT_TRUE(WaitFor([&] { return block->simulationState == kSimulationRunning; }));
    for (int i = 0; i < 20; ++i) {
        second.Send(i % 2 == 0 ? "OTHER" : "FGOWN", 10.0); // its callsign is no pass either
        first.Send("FGOWN", 51.5);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(WaitFor([&] { return Count(outLog.Text(), "ignoring position") == 1; }));
    EXPECT_EQ(Stop(), 0) << errLog.Text();
    EXPECT_NEAR(block->ownLatitude, 51.5, 1e-9);
    const std::string log = outLog.Text();
    EXPECT_EQ(Count(log, "ignoring position messages"), 1) << log;
    EXPECT_NE(log.find("ignoring position messages of OTHER from 127.0.0.1:"), std::string::npos)
        << log;
    EXPECT_NE(log.find("the own-ship is FGOWN from 127.0.0.1:"), std::string::npos) << log;
}

// With several FlightGear instances sending, --own-callsign names the own-ship, whoever is
// heard first.
TEST_F(FgRunnerTest, OwnCallsignChoosesAmongSeveralFlightGears) {
    options.listenPort = FreePort();
    CopyBounded(options.settings.ownCallsign, "MINE", kMpCallsignSize);
    Start(terminal);
    CVisShm feeder(name.c_str());
    ASSERT_TRUE(feeder.IsValid());
    auto* block = static_cast<VisualInterfaceBlock*>(feeder.GetBlock());
    FakeFlightGear other(options.listenPort);
    FakeFlightGear mine(options.listenPort);
    for (int i = 0; i < 10; ++i) {
        other.Send("THEIRS", 10.0);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_NE(block->simulationState, kSimulationRunning);
    mine.Send("MINE", 51.5);
    EXPECT_TRUE(WaitFor([&] { return block->simulationState == kSimulationRunning; }));
    other.Send("THEIRS", 10.0);
    EXPECT_EQ(Stop(), 0) << errLog.Text();
    EXPECT_NEAR(block->ownLatitude, 51.5, 1e-9);
    EXPECT_NE(outLog.Text().find("the own-ship is MINE (--own-callsign"), std::string::npos)
        << outLog.Text();
}

TEST_F(FgRunnerTest, SendingWhereItListensIsAUsageError) {
    for (const char* host : {"127.0.0.1", "0.0.0.0"}) {
        CopyBounded(options.listenHost, host, kHostSize);
        options.listenPort = FreePort();
        options.sendPort = options.listenPort;
        QuitOnceAttached terminal(outLog);
        EXPECT_EQ(RunBridge(options, terminal, out, err), 2) << host;
    }
    EXPECT_NE(errLog.Text().find("is where the bridge listens (--listen 0.0.0.0:"),
              std::string::npos)
        << errLog.Text();
}

// The block's name removed under a running bridge (as corvane-sim --remove --force or a crashed
// peer's cleanup do): a feeder started now would make a block of its own and never meet it.
TEST_F(FgRunnerTest, ABlockRemovedUnderTheBridgeIsNoticed) {
    if (!kBlockNamesCanBeRemoved) {
        GTEST_SKIP() << "a Windows block's name goes only with its last user";
    }
    for (const bool keepRunning : {false, true}) {
        SCOPED_TRACE(keepRunning);
        options.settings.keepRunning = keepRunning;
        options.listenPort = FreePort();
        UdpSocket flightGearIn;
        UdpEndpoint in;
        ASSERT_TRUE(flightGearIn.Resolve("127.0.0.1", 0, in));
        ASSERT_TRUE(flightGearIn.Bind(in));
        options.sendPort = flightGearIn.LocalPort();
        Start(terminal);
        FakeFlightGear flightGear(options.listenPort);
        flightGear.Send("FGOWN", 51.5);
        ASSERT_EQ(NamedMapping::Unlink(name.c_str()), 0);
        if (!keepRunning) {
            EXPECT_EQ(Stop(false), 1);
            EXPECT_NE(outLog.Text().find("Shared block removed by its peer: a feeder started now "
                                         "would not meet this bridge; ending"),
                      std::string::npos)
                << outLog.Text();
            continue;
        }
        EXPECT_TRUE(
            WaitFor([&] { return outLog.Text().find("fresh block") != std::string::npos; }));
        // A feeder started now meets the bridge: FlightGear's position is in the fresh block,
        // and its publication reaches FlightGear.
        CVisShm feeder(name.c_str());
        ASSERT_TRUE(feeder.IsValid());
        auto* block = static_cast<VisualInterfaceBlock*>(feeder.GetBlock());
        EXPECT_EQ(block->attachCount, 2);
        CopyBounded(block->aircraft[0].callsign, "LATER", 9);
        block->aircraft[0].latitude = 51.6;
        block->aircraft[0].longitude = -1.2;
        block->aircraft[0].geoAltitude = 1000;
        block->aircraftCount = 1;
        block->publishCounter = 1;
        MpDecoder decoder;
        bool forwarded = false;
        for (int i = 0; i < 50 && !forwarded; ++i) {
            flightGear.Send("FGOWN", 51.5);
            std::uint8_t received[kMpMaxDatagram];
            std::size_t size = 0;
            MpPosition message{};
            forwarded = flightGearIn.Receive(received, sizeof received, 100, size) ==
                            UdpReceipt::Datagram &&
                        decoder.Decode(received, size, message) == MpDecodeResult::Position &&
                        std::strcmp(message.callsign, "LATER") == 0;
        }
        EXPECT_TRUE(forwarded);
        EXPECT_EQ(block->simulationState, kSimulationRunning);
        EXPECT_NEAR(block->ownLatitude, 51.5, 1e-9);
        EXPECT_EQ(Stop(), 0);
    }
}

// On a terminal the last picture stays on the screen when the bridge ends: it must say why.
TEST_F(FgRunnerTest, TheLastPictureSaysTheBlockWasRemoved) {
    if (!kBlockNamesCanBeRemoved) {
        GTEST_SKIP() << "a Windows block's name goes only with its last user";
    }
    options.logLines = false;
    options.listenPort = FreePort();
    ViewTerminal view(quit);
    Start(view);
    ASSERT_TRUE(WaitFor([&] { return !view.Picture().empty(); }));
    ASSERT_EQ(NamedMapping::Unlink(name.c_str()), 0);
    EXPECT_EQ(Stop(false), 1);
    std::string picture;
    for (const std::string& line : view.Picture()) {
        EXPECT_LT(line.size(), 80u) << line;
        picture += line + "\n";
    }
    EXPECT_NE(picture.find("Shared block removed by its peer"), std::string::npos) << picture;
}

} // namespace
