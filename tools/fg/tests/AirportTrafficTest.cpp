// The bridge's traffic at an airport: what each position message carries besides the position,
// aircraft that land after their records stop, and taxiing aircraft on FlightGear's taxiways.
#include "aviation/tests/AirportScript.h"
#include "tools/fg/TrafficForwarder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Sent {
    MpPosition position;
    std::vector<MpProperty> properties;
};

// Keeps what it is sent, decoded as FlightGear reads it.
class Capture : public DatagramSink {
public:
    bool Send(const std::uint8_t* data, std::size_t size) override {
        Sent one{};
        EXPECT_EQ(decoder.Decode(data, size, one.position), MpDecodeResult::Position);
        one.properties = DecodeProperties(data, size);
        sent.push_back(one);
        return true;
    }
    const Sent* Of(const char* callsign) const {
        for (const Sent& s : sent) {
            if (std::strcmp(s.position.callsign, callsign) == 0) {
                return &s;
            }
        }
        return nullptr;
    }
    double Value(const char* callsign, std::uint16_t id) const {
        for (const MpProperty& p : Of(callsign)->properties) {
            if (p.id == id) {
                return p.value;
            }
        }
        return NAN;
    }

    MpDecoder decoder;
    std::vector<Sent> sent;
};

AircraftRecord RecordAt(const char* callsign, const TrafficFix& fix, std::int32_t time,
                        bool onGround = false) {
    AircraftRecord r{};
    std::memcpy(r.callsign, callsign, std::strlen(callsign));
    r.icaoAddress = 0x4CA000 + callsign[0];
    r.latitude = fix.position.latitude;
    r.longitude = fix.position.longitude;
    r.geoAltitude = fix.position.height;
    r.baroAltitude = fix.position.height;
    r.track = fix.track;
    r.groundSpeed = fix.groundSpeed;
    r.verticalRate = fix.verticalRate;
    r.positionTime = time;
    r.onGround = onGround ? 1 : 0;
    return r;
}

GeodeticPosition Decoded(const Sent& sent) {
    return ToGeodetic(sent.position.position);
}

// Every message carries the same values in the same order; on final below 2000 ft the gear is
// down and the flaps out, en route both are up; the transponder gives the altitude in feet and
// the ground bit.
TEST(AirportTraffic, EveryMessageCarriesTheConfiguration) {
    const auto airports = HonoluluAlone();
    const RunwayFrame frame = FrameNamed(*airports, "26R");
    TrafficForwarder forwarder(kDefaultModel, nullptr, nullptr, {airports.get(), nullptr});
    const std::vector<AircraftRecord> records = {
        RecordAt("FINAL", FixIn(frame, {-3 * kNm, 0, 1000 * kFoot}, 70, -3.7), 1000),
        RecordAt("CRUISE", {{21.0, -157.0, 11000}, 90, 230, 0}, 1000),
        RecordAt("TAXI", FixIn(frame, {1000, -300, 0}, 8, 0, 90), 1000, true),
    };
    forwarder.Publish(records, 0);
    Capture capture;
    ASSERT_EQ(forwarder.SendAll(0, 100, capture), 0);
    ASSERT_EQ(capture.sent.size(), 3u);
    for (const Sent& s : capture.sent) {
        ASSERT_EQ(s.properties.size(), std::size(kSentProperties)) << s.position.callsign;
        for (std::size_t i = 0; i < std::size(kSentProperties); ++i) {
            EXPECT_EQ(s.properties[i].id, kSentProperties[i]) << s.position.callsign;
        }
    }
    EXPECT_EQ(forwarder.PhaseAt(0), FlightPhase::Final);
    EXPECT_NEAR(capture.Value("FINAL", 201), 1.0, 1e-9);
    EXPECT_NEAR(capture.Value("FINAL", 221), 1.0, 1e-9);
    EXPECT_NEAR(capture.Value("FINAL", 104), 1.0, 1e-9);
    EXPECT_GT(capture.Value("FINAL", 300), 0);
    EXPECT_EQ(capture.Value("FINAL", 1501), std::trunc(1000 + kHonoluluElevation / kFoot));
    EXPECT_EQ(capture.Value("FINAL", 1504), 0);
    EXPECT_EQ(capture.Value("CRUISE", 201), 0);
    EXPECT_EQ(capture.Value("CRUISE", 104), 0);
    EXPECT_EQ(capture.Value("CRUISE", 1501), std::trunc(11000 / kFoot));
    EXPECT_EQ(capture.Value("TAXI", 201), 1.0);
    EXPECT_EQ(capture.Value("TAXI", 1504), 1);
}

// An aircraft on final that a publication has no more, or whose record says nothing newer,
// lands; one whose records stop elsewhere is dropped as before. The landing one is removed once
// it has stood 30 s, and no longer counted.
TEST(AirportTraffic, OnFinalItLandsWhenItsRecordsStop) {
    const auto airports = HonoluluAlone();
    const RunwayFrame frame = FrameNamed(*airports, "26R");
    TrafficForwarder forwarder(kDefaultModel, nullptr, nullptr, {airports.get(), nullptr});
    const AircraftRecord gone =
        RecordAt("GONE", FixIn(frame, {-1500, 0, 300 * kFoot}, 70, -3.7), 1000);
    const AircraftRecord stale =
        RecordAt("STALE", FixIn(frame, {-1500, 5, 300 * kFoot}, 70, -3.7), 1000);
    const AircraftRecord away = RecordAt("AWAY", {{21.0, -157.0, 3000}, 90, 200, 0}, 1000);
    forwarder.Publish(std::vector<AircraftRecord>{gone, stale, away}, 0);
    forwarder.Publish(std::vector<AircraftRecord>{stale}, 10);
    ASSERT_EQ(forwarder.Count(), 2);
    EXPECT_EQ(forwarder.LandingWithoutRecords(), 2);
    double stopped = -1;
    double removed = -1;
    for (double t = 10; t < 200 && removed < 0; t += 0.5) {
        Capture capture;
        forwarder.SendAll(t, t, capture);
        if (capture.sent.empty()) {
            removed = t;
            break;
        }
        ASSERT_EQ(capture.sent.size(), 2u) << t;
        const GeodeticPosition at = Decoded(*capture.Of("GONE"));
        const RunwayPoint point = PointOf(frame, at);
        EXPECT_GE(point.up, -0.01) << t;
        if (point.up < 0.01) {
            EXPECT_LE(std::fabs(point.across), frame.width / 4) << t;
            EXPECT_LE(point.along, frame.length) << t;
        }
        if (stopped < 0 && capture.Of("GONE")->position.linearVelocity.x == 0) {
            stopped = t;
            EXPECT_EQ(capture.Value("GONE", 1504), 1);
        }
    }
    ASSERT_GT(stopped, 0);
    EXPECT_NEAR(removed, stopped + 30, 0.6);
    forwarder.Publish(std::vector<AircraftRecord>{}, removed + 1);
    EXPECT_EQ(forwarder.Count(), 0);
}

// Records that come again for a landing aircraft take it over: it taxis on.
TEST(AirportTraffic, RecordsThatComeAgainTakeOver) {
    const auto airports = HonoluluAlone();
    const RunwayFrame frame = FrameNamed(*airports, "26R");
    TrafficForwarder forwarder(kDefaultModel, nullptr, nullptr, {airports.get(), nullptr});
    forwarder.Publish(std::vector<AircraftRecord>{RecordAt(
                          "BACK", FixIn(frame, {-1500, 0, 300 * kFoot}, 70, -3.7), 1000)},
                      0);
    forwarder.Publish(std::vector<AircraftRecord>{}, 10);
    EXPECT_EQ(forwarder.LandingWithoutRecords(), 1);
    const TrafficFix taxiing = FixIn(frame, {1900, -150, 0}, 8, 0, -90);
    forwarder.Publish(std::vector<AircraftRecord>{RecordAt("BACK", taxiing, 1060, true)}, 60);
    EXPECT_EQ(forwarder.LandingWithoutRecords(), 0);
    EXPECT_EQ(forwarder.PhaseAt(0), FlightPhase::Taxi);
    Capture capture;
    forwarder.SendAll(100, 100, capture);
    ASSERT_EQ(capture.sent.size(), 1u);
    EXPECT_EQ(capture.Value("BACK", 1504), 1);
}

// At Honolulu with FlightGear's own ground network: a taxiing aircraft moves along the taxiway
// it is on, within a metre of the arc, heading along it.
TEST(AirportTraffic, TaxiingOnFlightGearsTaxiways) {
    namespace fs = std::filesystem;
    const fs::path scenery = fs::path(CORVANE_FG_ROOT) / "Scenery";
    if (!fs::exists(scenery / "Airports" / "P" / "H" / "N" / "PHNL.groundnet.xml")) {
        GTEST_SKIP() << "FlightGear's scenery is not installed";
    }
    const auto airports = HonoluluAlone();
    GroundNetworks networks({scenery.string()});
    const GroundNetwork* phnl = networks.Of("PHNL");
    ASSERT_NE(phnl, nullptr);
    // Node 71 to 72 of the file: N21 18.582 W157 56.643 to N21 18.577 W157 56.658.
    const GeodeticPosition from{21 + 18.582 / 60, -(157 + 56.643 / 60), 0};
    const GeodeticPosition to{21 + 18.577 / 60, -(157 + 56.658 / 60), 0};
    const LocalOffset leg = OffsetBetween(from, to);
    const double heading = std::atan2(leg.east, leg.north) * kDegrees;
    // 8 m off the arc's middle, on a track 10 degrees off it.
    const GeodeticPosition middle = Displaced(from, {leg.north / 2, leg.east / 2, 0});
    const double right = (heading + 90) * kRadians;
    const GeodeticPosition off = Displaced(middle, {8 * std::cos(right), 8 * std::sin(right), 0});
    TrafficForwarder forwarder(kDefaultModel, nullptr, nullptr, {airports.get(), &networks});
    forwarder.Publish(std::vector<AircraftRecord>{RecordAt(
                          "TAXI", {off, std::fmod(heading + 370, 360), 3, 0}, 1000, true)},
                      0);
    ASSERT_EQ(forwarder.PhaseAt(0), FlightPhase::Taxi);
    for (double t = 0; t <= 4; t += 1) {
        Capture capture;
        forwarder.SendAll(t, t, capture);
        ASSERT_EQ(capture.sent.size(), 1u);
        const GeodeticPosition at = Decoded(capture.sent[0]);
        const auto snap = phnl->Snap(at.latitude, at.longitude, heading);
        ASSERT_TRUE(snap.has_value()) << t;
        EXPECT_LT(snap->distance, 1.0) << t;
        EXPECT_NEAR(at.height, kHonoluluElevation, 0.01) << t;
        // Turned along the arc it is on.
        const EulerAngles angles = AnglesOf(at, capture.sent[0].position.attitude);
        const auto along = phnl->Snap(at.latitude, at.longitude, angles.heading);
        EXPECT_NEAR(std::remainder(angles.heading - along->heading, 360), 0, 0.5) << t;
        EXPECT_LT(std::fabs(std::remainder(angles.heading - heading, 360)), 45) << t;
        EXPECT_NEAR(angles.pitch, 0, 1e-3) << t;
    }
}

// FlightGear's ground, as flat as the test wants it: each question answered at the next tick.
class FlatTerrain : public TerrainSource {
public:
    explicit FlatTerrain(double elevation) : elevation(elevation) {}
    std::int64_t AskTerrain(double latitude, double longitude) override {
        asked.push_back({latitude, longitude, 0});
        answers.push_back(
            {static_cast<std::int64_t>(asked.size()), TerrainResult::Height, elevation});
        return static_cast<std::int64_t>(asked.size());
    }
    std::vector<TerrainAnswer> TakeTerrain() override {
        std::vector<TerrainAnswer> taken;
        taken.swap(answers);
        return taken;
    }

    double elevation;
    std::vector<GeodeticPosition> asked;
    std::vector<TerrainAnswer> answers;
};

// A landing touches down and rolls on the ground the aircraft stands on once it has landed:
// FlightGear's, asked at the touchdown point, 6 m above the field's elevation here; it is never
// shown below it, and stops on it.
TEST(AirportTraffic, ItLandsOnFlightGearsGround) {
    const auto airports = HonoluluAlone();
    const RunwayFrame frame = FrameNamed(*airports, "26R");
    TrafficForwarder forwarder(kDefaultModel, nullptr, nullptr, {airports.get(), nullptr});
    FlatTerrain terrain(kHonoluluElevation + 6);
    forwarder.Publish(std::vector<AircraftRecord>{RecordAt(
                          "LAND", FixIn(frame, {-3000, 0, 500 * kFoot}, 70, -3.7), 1000)},
                      0);
    forwarder.KeepGround(0.1, terrain);
    forwarder.KeepGround(0.2, terrain);
    ASSERT_EQ(terrain.asked.size(), 1u);
    const RunwayPoint asked = PointOf(frame, terrain.asked[0]);
    EXPECT_NEAR(asked.along, kTouchdownAim, 1.0);
    EXPECT_NEAR(asked.across, 0, 1.0);
    forwarder.Publish(std::vector<AircraftRecord>{RecordAt(
                          "LAND", FixIn(frame, {-2930, 0, 490 * kFoot}, 70, -3.7), 1001)},
                      1);
    forwarder.Publish(std::vector<AircraftRecord>{}, 2);
    ASSERT_EQ(forwarder.LandingWithoutRecords(), 1);
    bool stopped = false;
    for (double t = 2; t < 200 && !stopped; t += 0.5) {
        forwarder.KeepGround(t, terrain);
        Capture capture;
        forwarder.SendAll(t, t, capture);
        ASSERT_EQ(capture.sent.size(), 1u) << t;
        const GeodeticPosition at = Decoded(capture.sent[0]);
        EXPECT_GE(at.height, terrain.elevation - 0.01) << t;
        if (capture.sent[0].position.linearVelocity.x == 0) {
            stopped = true;
            EXPECT_NEAR(at.height, terrain.elevation, 0.05) << t;
            EXPECT_LE(std::fabs(PointOf(frame, at).across), frame.width / 4) << t;
        }
    }
    EXPECT_TRUE(stopped);
}

} // namespace
