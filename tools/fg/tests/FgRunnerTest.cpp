#include "tools/fg/FgRunner.h"

#include "platform/NamedMapping.h"
#include "platform/UdpSocket.h"
#include "shared_memory/VisualShm.h"
#include "tests/CapturedOutput.h"
#include "tests/UniqueName.h"
#include "text_functions/TextFunctions.h"
#include "tools/sim/tests/QuitAfter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

// A port that was free a moment ago.
std::uint16_t FreePort() {
    UdpSocket probe;
    UdpEndpoint any;
    EXPECT_TRUE(probe.Resolve("127.0.0.1", 0, any));
    EXPECT_TRUE(probe.Bind(any));
    return probe.LocalPort();
}

class FgRunnerTest : public testing::Test {
protected:
    FgRunnerTest()
        : name(UniqueName("CorvaneFgTest")), outLog(name + ".out"), errLog(name + ".err"),
          out(outLog.Stream()), err(errLog.Stream()) {
        options.name = name.c_str();
        options.logLines = true;
    }
    ~FgRunnerTest() override {
        // A POSIX block outlives its last user; this one is the test's alone.
        NamedMapping::Unlink(name.c_str());
    }

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
    QuitAfter terminal(0);
    EXPECT_EQ(RunBridge(options, terminal, out, err), 1);
    const std::string text = errLog.Text();
    EXPECT_NE(text.find("corvane-fg: cannot listen for FlightGear on 127.0.0.1:" +
                        std::to_string(holder.LocalPort()) + ": UdpSocket::Bind / "),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Another program holds the port"), std::string::npos) << text;
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

} // namespace
