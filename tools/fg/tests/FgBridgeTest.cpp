#include "tools/fg/FgBridge.h"

#include "aviation/tests/AirportFixtures.h"
#include "platform/NamedMapping.h"
#include "shared_memory/VisualShm.h"
#include "tests/support/UniqueName.h"
#include "text_functions/TextFunctions.h"
#include "tools/fg/tests/FakePropertyServer.h"
#include "traffic/Units.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

// Keeps the size, the time stamp and the decoded message of each datagram; every one must be a
// position the bridge's own decoder takes.
class CountingSink : public DatagramSink {
public:
    bool Send(const std::uint8_t* data, std::size_t size) override {
        sizes.push_back(size);
        MpPosition message{};
        EXPECT_EQ(decoder.Decode(data, size, message), MpDecodeResult::Position)
            << decoder.FullErrorText();
        stamps.push_back(message.time);
        sent.push_back(message);
        return true;
    }
    // The last message sent for `callsign`; false when none was.
    bool Last(const char* callsign, MpPosition& message) const {
        for (auto m = sent.rbegin(); m != sent.rend(); ++m) {
            if (std::strcmp(m->callsign, callsign) == 0) {
                message = *m;
                return true;
            }
        }
        return false;
    }
    std::vector<std::size_t> sizes;
    std::vector<double> stamps;
    std::vector<MpPosition> sent;
    MpDecoder decoder;
};

// FlightGear stamps its messages with its own clock, here 60000 s ahead of the bridge's.
constexpr double kFlightGearClock = 60000;

// FlightGear's own aircraft at 50.45 N 0.01 E, 3000 ft, heading east at `speed` m/s.
std::vector<std::uint8_t> OwnShipMessage(double time, double longitude = 0.01, double speed = 100) {
    MpPosition m{};
    std::strcpy(m.callsign, "OWNSHIP");
    std::strcpy(m.model, "Aircraft/ufo/Models/ufo.xml");
    m.time = kFlightGearClock + time;
    m.lag = 0.1;
    const GeodeticPosition at{50.45, longitude, 914.4};
    m.position = ToEarthFixed(at);
    m.attitude = AttitudeVector(at, {90, 0, 0});
    m.linearVelocity = {speed, 0, 0};
    std::vector<std::uint8_t> bytes(kMpPositionSize);
    EncodePosition(m, bytes.data(), bytes.size());
    return bytes;
}

class FgBridgeTest : public testing::Test {
protected:
    FgBridgeTest() : block(std::make_unique<VisualInterfaceBlock>()) {
        std::memset(block.get(), 0, sizeof(VisualInterfaceBlock));
    }

    void Hear(FgBridge& bridge, double now, double longitude = 0.01,
              const UdpEndpoint& from = {0x7F000001, 5000}) {
        const std::vector<std::uint8_t> m = OwnShipMessage(now, longitude);
        bridge.Receive(m.data(), m.size(), false, now, from);
    }

    // What the feeder does at a publication.
    void Publish(const std::vector<AircraftRecord>& records) {
        block->aircraftCount = static_cast<std::int32_t>(records.size());
        std::memcpy(block->aircraft, records.data(), records.size() * sizeof(AircraftRecord));
        block->publishCounter += 1;
        block->trafficStatus = 0;
    }

    // An aircraft `east` metres east of the own-ship start, west-bound at `speed`, level; its
    // transponder reports the same altitude as its receiver has (no geoid, standard atmosphere).
    static AircraftRecord Traffic(const char* callsign, double east, double aboveMetres,
                                  double speed = 100) {
        const GeodeticPosition at = Displaced({50.45, 0.01, 914.4}, {0, east, aboveMetres});
        AircraftRecord r{};
        CopyBounded(r.callsign, callsign, 9);
        r.latitude = at.latitude;
        r.longitude = at.longitude;
        r.geoAltitude = at.height;
        r.baroAltitude = at.height;
        r.track = 270;
        r.groundSpeed = speed;
        r.positionTime = 1000;
        return r;
    }

    // The requests, each change once, while the own-ship flies east at 100 m/s (as its message
    // says) for 25 s towards an intruder 8 km ahead and 100 m above, closing at 200 m/s: a TA at
    // once, an RA within seconds. FlightGear's property server, when given, says the same each
    // tick.
    // The encounter starts at `from` on the bridge's clock, each tick `pause` apart, for a real
    // property server to answer in.
    std::vector<std::int32_t> HeadOnRequests(FgBridge& bridge,
                                             std::optional<double> pressureAltitude = {},
                                             std::optional<double> aboveGround = {},
                                             double from = 0,
                                             std::chrono::milliseconds pause = {}) {
        Hear(bridge, from);
        Publish({Traffic("INTRUDR", 8000, 100)});
        std::vector<std::int32_t> requests = {block->soundRequest};
        for (double t = 0.1; t < 25; t += 0.1) {
            Hear(bridge, from + t, Displaced({50.45, 0.01, 914.4}, {0, 100 * t, 0}).longitude);
            if (pressureAltitude || aboveGround) {
                bridge.TakeOwnReadings(pressureAltitude, aboveGround, from + t);
            }
            bridge.Tick(from + t, sink);
            std::this_thread::sleep_for(pause);
            if (block->soundRequest != requests.back()) {
                requests.push_back(block->soundRequest);
            }
        }
        return requests;
    }

    static bool Said(const std::vector<std::string>& events, const std::string& text) {
        for (const std::string& event : events) {
            if (event.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    std::unique_ptr<VisualInterfaceBlock> block;
    FgSettings settings;
    CountingSink sink;
};

TEST_F(FgBridgeTest, WhatAnEarlierSimulatorLeftIsClearedAtTheStart) {
    block->simulationState = kSimulationEnding;
    block->soundRequest = 3;
    FgBridge bridge(*block, settings, 0);
    EXPECT_EQ(block->simulationState, kSimulationNotRunning);
    EXPECT_EQ(block->soundRequest, 10);
}

TEST_F(FgBridgeTest, FlightGearsPositionReachesTheBlock) {
    FgBridge bridge(*block, settings, 0);
    Hear(bridge, 1.0, 0.25);
    EXPECT_NEAR(block->ownLatitude, 50.45, 1e-9);
    EXPECT_NEAR(block->ownLongitude, 0.25, 1e-9);
    EXPECT_EQ(block->simulationState, kSimulationRunning);
    EXPECT_EQ(bridge.Status().link, FgLink::Receiving);
    EXPECT_NEAR(bridge.Status().own.height, 914.4, 1e-3);
    EXPECT_NEAR(bridge.Status().ownHeading, 90, 1e-3);
    EXPECT_STREQ(bridge.Status().ownCallsign, "OWNSHIP");
    EXPECT_TRUE(Said(bridge.TakeEvents(), "FlightGear found: OWNSHIP at 50.4500 0.2500, 3000 ft"));
}

TEST_F(FgBridgeTest, SilenceEndsTheSimulationAndTheBridgeLingersForTheFeeder) {
    settings.endAfterSilence = 5;
    FgBridge bridge(*block, settings, 0);
    Hear(bridge, 1.0);
    double t = 1.0;
    for (; t < 5.9; t += 0.1) {
        bridge.Tick(t, sink);
        EXPECT_EQ(block->simulationState, kSimulationRunning) << t;
    }
    EXPECT_EQ(bridge.Status().link, FgLink::Silent);
    for (; t < 6.2; t += 0.1) {
        bridge.Tick(t, sink);
    }
    EXPECT_EQ(block->simulationState, kSimulationEnding);
    EXPECT_FALSE(bridge.Finished(t));
    EXPECT_TRUE(bridge.Finished(t + kEndingLingerSeconds));
    // A message that comes in the meantime leaves the ending state in place.
    Hear(bridge, t + 1);
    EXPECT_EQ(block->simulationState, kSimulationEnding);
    const std::vector<std::string> events = bridge.TakeEvents();
    EXPECT_TRUE(Said(events, "FlightGear silent"));
    EXPECT_TRUE(Said(events, "simulation ending"));
}

TEST_F(FgBridgeTest, KeepRunningLeavesTheStateAloneAndWelcomesFlightGearBack) {
    settings.endAfterSilence = 5;
    settings.keepRunning = true;
    FgBridge bridge(*block, settings, 0);
    Hear(bridge, 1.0);
    for (double t = 1.0; t < 60; t += 0.5) {
        bridge.Tick(t, sink);
    }
    EXPECT_EQ(block->simulationState, kSimulationRunning);
    EXPECT_FALSE(bridge.Finished(1000));
    Hear(bridge, 61);
    EXPECT_EQ(bridge.Status().link, FgLink::Receiving);
    EXPECT_TRUE(Said(bridge.TakeEvents(), "FlightGear back"));
}

TEST_F(FgBridgeTest, NeverHeardIsWaitingWithAReminderNotAnEnd) {
    settings.endAfterSilence = 1;
    FgBridge bridge(*block, settings, 0);
    for (double t = 0; t < 100; t += 0.5) {
        bridge.Tick(t, sink);
    }
    EXPECT_EQ(block->simulationState, kSimulationNotRunning);
    EXPECT_EQ(bridge.Status().link, FgLink::Waiting);
    EXPECT_TRUE(Said(bridge.TakeEvents(), "nothing from FlightGear for 30 s"));
}

// The own-ship's sender is kept while it is heard; once it has gone silent, a FlightGear with
// its callsign from another port (started again) takes its place.
TEST_F(FgBridgeTest, TheOwnShipsSenderIsKeptUntilItFallsSilent) {
    FgBridge bridge(*block, settings, 0);
    const UdpEndpoint first{0x7F000001, 5000};
    const UdpEndpoint restarted{0x7F000001, 5001};
    Hear(bridge, 1.0, 0.01, first);
    Hear(bridge, 1.1, 0.5, restarted);
    EXPECT_NEAR(block->ownLongitude, 0.01, 1e-9);
    EXPECT_EQ(bridge.Status().foreign, 1);
    for (double t = 1.1; t < 4; t += 0.1) {
        bridge.Tick(t, sink);
    }
    ASSERT_EQ(bridge.Status().link, FgLink::Silent);
    Hear(bridge, 4.0, 0.5, restarted);
    EXPECT_NEAR(block->ownLongitude, 0.5, 1e-9);
    Hear(bridge, 4.1, 0.01, first); // the old sender is now the stranger
    EXPECT_NEAR(block->ownLongitude, 0.5, 1e-9);
    EXPECT_EQ(bridge.Status().foreign, 2);
    EXPECT_TRUE(Said(bridge.TakeEvents(), "FlightGear back: OWNSHIP"));
}

TEST_F(FgBridgeTest, MalformedDatagramsAreCountedAndSkipped) {
    FgBridge bridge(*block, settings, 0);
    Hear(bridge, 1.0);
    bridge.TakeEvents();
    const std::uint8_t garbage[] = "GARBAGE\x1b[2J that is no message at all";
    for (int i = 0; i < 50; ++i) {
        bridge.Receive(garbage, sizeof garbage, false, 2.0 + i * 0.01);
    }
    std::vector<std::uint8_t> cut = OwnShipMessage(3.0, 5.0);
    bridge.Receive(cut.data(), 100, false, 3.0);
    bridge.Receive(cut.data(), cut.size(), true, 3.0); // did not fit the buffer
    EXPECT_EQ(bridge.Status().malformed, 52);
    EXPECT_NEAR(block->ownLongitude, 0.01, 1e-9); // the cut message was not taken
    const std::vector<std::string> events = bridge.TakeEvents();
    ASSERT_EQ(events.size(), 1u); // one report for the burst
    EXPECT_NE(events[0].find("malformed message skipped (1 so far): MpDecoder::Decode / Not a "
                             "FlightGear multiplayer message"),
              std::string::npos)
        << events[0];
    Hear(bridge, 4.0, 0.02); // and the link goes on
    EXPECT_NEAR(block->ownLongitude, 0.02, 1e-9);
}

TEST_F(FgBridgeTest, PublishedTrafficGoesToFlightGearTenTimesASecond) {
    FgBridge bridge(*block, settings, 0);
    Publish({Traffic("FAR1", 30000, 0), Traffic("FAR2", -30000, 0)});
    bridge.Tick(0.1, sink);
    EXPECT_TRUE(sink.sizes.empty()); // nobody to send to yet
    Hear(bridge, 0.2);
    for (int i = 0; i < 10; ++i) {
        bridge.Tick(0.3 + i * 0.1, sink);
    }
    EXPECT_EQ(sink.sizes.size(), 20u);
    // Stamped in FlightGear's time, which it compares with its own clock to place the traffic.
    EXPECT_DOUBLE_EQ(sink.stamps.back(), kFlightGearClock + 1.2);
    EXPECT_EQ(bridge.Status().forwarded, 2);
    EXPECT_EQ(bridge.Status().publications, 1);
    EXPECT_TRUE(Said(bridge.TakeEvents(), "publication 1 (recorded 1970-01-01T00:16:40Z): 2 "
                                          "aircraft forwarded, 0 skipped: FAR1 FAR2"));
}

class FakeCalendar : public CalendarClock {
public:
    double UnixSeconds() const override { return now; }
    double now = 0;
};

// With --live the records' own times say where the aircraft are now: a record 12 s old is
// shown 12 s further on, and the log says how old the publication was.
TEST_F(FgBridgeTest, LiveTrafficIsShownWhereItIsNow) {
    FakeCalendar calendar;
    calendar.now = 1012.5;
    settings.calendar = &calendar;
    FgBridge live(*block, settings, 0);
    Hear(live, 0.2);
    Publish({Traffic("LIVE", 30000, 0)});
    live.Tick(0.3, sink);
    MpPosition message{};
    ASSERT_TRUE(sink.Last("LIVE", message));
    const GeodeticPosition start = Displaced({50.45, 0.01, 914.4}, {0, 30000, 0});
    EXPECT_NEAR(OffsetBetween(start, ToGeodetic(message.position)).east, -1250, 1);
    EXPECT_TRUE(Said(live.TakeEvents(), "publication 1 (recorded 1970-01-01T00:16:40Z, 12.5 s "
                                        "old): 1 aircraft forwarded, 0 skipped: LIVE"));

    // Without it the same publication is taken as of its moment.
    settings.calendar = nullptr;
    FgBridge replay(*block, settings, 0);
    Hear(replay, 0.2);
    Publish({Traffic("LIVE", 30000, 0)});
    replay.Tick(0.3, sink);
    ASSERT_TRUE(sink.Last("LIVE", message));
    EXPECT_NEAR(OffsetBetween(start, ToGeodetic(message.position)).east, 0, 1);
}

// A parked aircraft at Honolulu stands at the field elevation, then on the ground FlightGear's
// property server tells of, asked over a real connection while the bridge ticks on.
TEST_F(FgBridgeTest, AParkedAircraftStandsOnFlightGearsGround) {
    const AirportIndex airports = Honolulu();
    FakePropertyServer server([](double, double) { return std::optional<double>(3.905); });
    PropertyClient properties("127.0.0.1", server.Port());
    settings.airports.airports = &airports;
    settings.propertyServer = &properties;
    FgBridge bridge(*block, settings, 0);
    Hear(bridge, 0.1);
    AircraftRecord parked{};
    CopyBounded(parked.callsign, "PARKED", 9);
    parked.latitude = 21.3270;
    parked.longitude = -157.9150;
    parked.positionTime = 1000;
    Publish({parked});
    bridge.Tick(0.2, sink);
    MpPosition message{};
    ASSERT_TRUE(sink.Last("PARKED", message));
    EXPECT_NEAR(ToGeodetic(message.position).height, 13 * units::kMetresPerFoot, 0.01);
    std::vector<std::string> events = bridge.TakeEvents();
    EXPECT_TRUE(Said(events, "1 aircraft forwarded (1 on the ground), 0 skipped: PARKED"));
    // The bridge's clock runs at about twice the machine's, each tick a few milliseconds apart.
    double now = 0.2;
    for (int tick = 0; tick < 2000 && std::fabs(ToGeodetic(message.position).height - 3.905) > 1e-6;
         ++tick) {
        now += 0.02;
        Hear(bridge, now);
        bridge.Tick(now, sink);
        ASSERT_TRUE(sink.Last("PARKED", message));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_NEAR(ToGeodetic(message.position).height, 3.905, 1e-6);
    EXPECT_EQ(bridge.Status().onGround, 1);
    for (const std::string& event : bridge.TakeEvents()) {
        events.push_back(event);
    }
    EXPECT_TRUE(
        Said(events, "property server at 127.0.0.1:" + std::to_string(server.Port()) + " found"));
    EXPECT_EQ(server.Count("nasal"), 1);
}

TEST_F(FgBridgeTest, AHeadOnIntruderRaisesTrafficThenAResolution) {
    FgBridge bridge(*block, settings, 0);
    const std::vector<std::int32_t> requests = HeadOnRequests(bridge);
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests[1], 0);
    EXPECT_EQ(requests[2], 3); // DESCEND, away from the intruder above
    EXPECT_TRUE(Said(bridge.TakeEvents(), "alert request 0: TRAFFIC"));
}

// What the bridge knows of the own-ship's heights reaches its alerts: the same head-on intruder
// 100 m above at 3000 ft gives an RA; 700 ft above an airport (2300 ft, 1 NM away) a TA only;
// 400 ft above the terrain by FlightGear's word nothing said; with FlightGear's altimeter reading
// 300 m above its altitude, the intruder is 656 ft below: a TA only.
TEST_F(FgBridgeTest, TheOwnShipsHeightsShapeItsAlerts) {
    AirportIndex airports;
    airports.AddAirport("HIGH", 2300, AirportKind::Land);
    airports.AddPlace(50.46, 0.01);
    airports.Finish();
    struct Case {
        const char* what;
        const AirportIndex* index;
        std::optional<double> pressureAltitude;
        std::optional<double> aboveGround;
        std::vector<std::int32_t> requests;
    };
    const Case cases[] = {
        {"nothing known of the ground", nullptr, std::nullopt, std::nullopt, {10, 0, 3}},
        {"700 ft above an airport", &airports, std::nullopt, std::nullopt, {10, 0}},
        {"400 ft above the terrain", &airports, std::nullopt, 400 * units::kMetresPerFoot, {10}},
        {"the altimeter 300 m above the altitude", nullptr, 914.4 + 300, std::nullopt, {10, 0}},
    };
    for (const Case& c : cases) {
        settings.airports.airports = c.index;
        FgBridge bridge(*block, settings, 0);
        EXPECT_EQ(HeadOnRequests(bridge, c.pressureAltitude, c.aboveGround), c.requests) << c.what;
    }
}

// The same from FlightGear's property server: 400 ft above its terrain, nothing said. The bridge
// reads the own-ship's heights there before the encounter, and on while it lasts.
TEST_F(FgBridgeTest, FlightGearsPropertyServerGivesTheOwnShipsHeights) {
    FakePropertyServer server;
    server.Set("/position/altitude-agl-ft", "400.0");
    PropertyClient properties("127.0.0.1", server.Port());
    settings.propertyServer = &properties;
    FgBridge bridge(*block, settings, 0);
    // Read once and asked again: the first reading has been taken.
    double t = 0;
    for (; t < 10 && server.Count("get /position/altitude-agl-ft") < 2; t += 0.02) {
        Hear(bridge, t);
        bridge.Tick(t, sink);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_GE(server.Count("get /position/altitude-agl-ft"), 2);
    EXPECT_GE(server.Count("get /instrumentation/altimeter/pressure-alt-ft"), 1);
    EXPECT_EQ(HeadOnRequests(bridge, std::nullopt, std::nullopt, t, std::chrono::milliseconds(2)),
              std::vector<std::int32_t>{10});
}

TEST_F(FgBridgeTest, NoTcasLeavesTheRequestAtSilence) {
    settings.tcas = false;
    FgBridge bridge(*block, settings, 0);
    Hear(bridge, 0);
    Publish({Traffic("CLOSE", 300, 0)});
    for (double t = 0.1; t < 3; t += 0.1) {
        Hear(bridge, t);
        bridge.Tick(t, sink);
    }
    EXPECT_EQ(block->soundRequest, 10);
}

TEST_F(FgBridgeTest, TheUserEndsTheSimulationUnlessToldToKeepItRunning) {
    FgBridge bridge(*block, settings, 0);
    Hear(bridge, 1);
    bridge.EndNow(2);
    EXPECT_EQ(block->simulationState, kSimulationEnding);

    settings.keepRunning = true;
    FgBridge keeping(*block, settings, 0);
    Hear(keeping, 1);
    keeping.EndNow(2);
    EXPECT_EQ(block->simulationState, kSimulationRunning);
}

// An own-ship velocity that no aircraft flies (3.4e38 m/s is the largest float) raises no
// advisory: the decoder refuses what no craft reaches, the alert logic ignores what no aircraft
// flies, and the own-ship keeps its last sane state.
TEST_F(FgBridgeTest, AnOwnShipVelocityNoAircraftFliesRaisesNoAlert) {
    struct Case {
        const char* name;
        Vector3 velocity; // body frame: forward, right, down
        bool refused;
    };
    const Case cases[] = {{"3.4e38 down", {0, 0, -3.4e38}, true},
                          {"3.4e38 ahead", {3.4e38, 0, 0}, true},
                          {"9 km/s down", {100, 0, -9000}, false},
                          {"4000 kt ahead", {4000 * units::kMetresPerSecondPerKnot, 0, 0}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FgBridge bridge(*block, settings, 0);
        // 2 km to the east and 600 m above, flying east as fast as the own-ship: no threat.
        AircraftRecord above = Traffic("ABOVE", 2000, 600, 100);
        above.track = 90;
        Publish({above});
        for (double t = 0; t < 10; t += 0.1) {
            MpPosition m{};
            std::strcpy(m.callsign, "OWNSHIP");
            m.time = kFlightGearClock + t;
            const GeodeticPosition at = Displaced({50.45, 0.01, 914.4}, {0, 100 * t, 0});
            m.position = ToEarthFixed(at);
            m.attitude = AttitudeVector(at, {90, 0, 0});
            m.linearVelocity = t < 1 ? Vector3{100, 0, 0} : c.velocity;
            std::uint8_t bytes[kMpPositionSize];
            EncodePosition(m, bytes, sizeof bytes);
            bridge.Receive(bytes, sizeof bytes, false, t);
            bridge.Tick(t, sink);
            EXPECT_EQ(block->soundRequest, 10) << t;
        }
        EXPECT_EQ(bridge.Status().malformed > 0, c.refused);
    }
}

// Records as a broken receiver or file leaves them, written by a feeder into a real block and
// read through the bridge: nothing sent to FlightGear may be refused by the bridge's own decoder,
// an aircraft whose motion is absurd is shown at its fix, one whose position is absurd is left
// out, and the aircraft's next sane record shows it where that record says.
struct HostileRecordCase {
    const char* name;
    void (*spoil)(AircraftRecord&);
    bool forwarded; // held at its fix; otherwise left out
};

const HostileRecordCase kHostileRecords[] = {
    {"ground speed 1e308", [](AircraftRecord& r) { r.groundSpeed = 1e308; }, true},
    {"ground speed 1e300", [](AircraftRecord& r) { r.groundSpeed = 1e300; }, true},
    {"ground speed 2001 kt",
     [](AircraftRecord& r) { r.groundSpeed = 2001 * units::kMetresPerSecondPerKnot; }, true},
    {"vertical rate 1e308", [](AircraftRecord& r) { r.verticalRate = 1e308; }, true},
    {"vertical rate -inf", [](AircraftRecord& r) { r.verticalRate = -INFINITY; }, true},
    {"geometric altitude 1e308", [](AircraftRecord& r) { r.geoAltitude = 1e308; }, false},
    {"geometric altitude -1e7", [](AircraftRecord& r) { r.geoAltitude = -1e7; }, false},
    {"barometric altitude 61 km",
     [](AircraftRecord& r) {
         r.geoAltitude = 0;
         r.baroAltitude = 61000;
     },
     false},
    {"latitude NaN", [](AircraftRecord& r) { r.latitude = NAN; }, false},
};

class FgBridgeOnARealBlock : public FgBridgeTest {
protected:
    FgBridgeOnARealBlock()
        : name(UniqueName("CorvaneFgHostile")), feeder(name.c_str()), client(name.c_str()) {}
    ~FgBridgeOnARealBlock() override { NamedMapping::Unlink(name.c_str()); }

    // The feeder's publication, through its own view of the block.
    void PublishThroughTheBlock(const std::vector<AircraftRecord>& records) {
        auto* shared = static_cast<VisualInterfaceBlock*>(feeder.GetBlock());
        std::memcpy(shared->aircraft, records.data(), records.size() * sizeof(AircraftRecord));
        shared->aircraftCount = static_cast<std::int32_t>(records.size());
        shared->publishCounter += 1;
    }

    std::string name;
    CVisShm feeder;
    CVisShm client;
};

TEST_F(FgBridgeOnARealBlock, HostileRecordsNeverReachFlightGearNorLinger) {
    ASSERT_TRUE(feeder.IsValid() && client.IsValid()) << client.FullErrorText();
    auto& shared = *static_cast<VisualInterfaceBlock*>(client.GetBlock());
    FgBridge bridge(shared, settings, 0);
    double t = 0;
    const auto run = [&](double seconds) {
        for (const double end = t + seconds; t < end; t += 0.1) {
            Hear(bridge, t);
            bridge.Tick(t, sink);
        }
    };
    run(0.5);
    for (const HostileRecordCase& c : kHostileRecords) {
        SCOPED_TRACE(c.name);
        AircraftRecord bad = Traffic("BAD", 20000, 300);
        c.spoil(bad);
        PublishThroughTheBlock({bad, Traffic("GOOD", -20000, 300)});
        sink.sent.clear();
        run(3);
        EXPECT_EQ(bridge.Status().forwarded, c.forwarded ? 2 : 1);
        EXPECT_EQ(bridge.Status().skipped, c.forwarded ? 0 : 1);
        MpPosition shown{};
        ASSERT_EQ(sink.Last("BAD", shown), c.forwarded);
        if (c.forwarded) {
            const GeodeticPosition at = ToGeodetic(shown.position);
            EXPECT_NEAR(at.latitude, bad.latitude, 1e-9);
            EXPECT_NEAR(at.longitude, bad.longitude, 1e-9);
            EXPECT_NEAR(at.height, bad.geoAltitude, 1e-3);
        }
        // The next publication gives it sane values: it flies west from where it says.
        const AircraftRecord sane = Traffic("BAD", 20000, 300);
        PublishThroughTheBlock({sane, Traffic("GOOD", -20000, 300)});
        const double published = t;
        run(3);
        ASSERT_TRUE(sink.Last("BAD", shown));
        const LocalOffset off = OffsetBetween({sane.latitude, sane.longitude, sane.geoAltitude},
                                              ToGeodetic(shown.position));
        EXPECT_NEAR(off.east, -100 * (t - 0.1 - published), 20);
        EXPECT_NEAR(off.north, 0, 1);
        EXPECT_NEAR(off.up, 0, 1);
    }
}

} // namespace
