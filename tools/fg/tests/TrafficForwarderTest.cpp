#include "tools/fg/TrafficForwarder.h"

#include "text_functions/TextFunctions.h"
#include "tools/fg/TcasRequest.h"
#include "tools/fg/scenery/GeoidFile.h"
#include "traffic/Units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

AircraftRecord Record(const char* callsign, std::int32_t address, double latitude, double longitude,
                      std::int32_t time = 1000) {
    AircraftRecord r{};
    std::memcpy(r.callsign, callsign, std::min<std::size_t>(std::strlen(callsign), 12));
    r.icaoAddress = address;
    r.latitude = latitude;
    r.longitude = longitude;
    r.geoAltitude = 1000;
    r.baroAltitude = 990;
    r.track = 90;
    r.groundSpeed = 100;
    r.verticalRate = 0;
    r.positionTime = time;
    return r;
}

// Keeps what it is sent, decoded.
class Capture : public DatagramSink {
public:
    bool Send(const std::uint8_t* data, std::size_t size) override {
        MpPosition message{};
        EXPECT_EQ(decoder.Decode(data, size, message), MpDecodeResult::Position)
            << decoder.GetErrorText();
        sent.push_back(message);
        return true;
    }
    std::vector<std::string> Callsigns() const {
        std::vector<std::string> names;
        for (const MpPosition& m : sent) {
            names.emplace_back(m.callsign);
        }
        return names;
    }

    MpDecoder decoder;
    std::vector<MpPosition> sent;
};

TEST(TrafficForwarder, CallsignsAsFlightGearShowsThem) {
    struct Case {
        const char* callsign;
        std::int32_t address;
        const char* shown;
    };
    const Case cases[] = {
        {"EZY12A", 0x4CA2B5, "EZY12A"},    {"BAW123  ", 0x4CA2B5, "BAW123"},
        {"ABCDEFGH", 0x4CA2B5, "ABCDEFG"}, {"", 0x4CA2B5, "4CA2B5"},
        {"   ", 0xABC, "000ABC"},          {"A\x1b[2J", 1, "A?[2J"},
    };
    for (const Case& c : cases) {
        char shown[kMpCallsignSize];
        MultiplayerCallsign(Record(c.callsign, c.address, 50, 0), shown);
        EXPECT_STREQ(shown, c.shown) << c.callsign;
    }
}

TEST(TrafficForwarder, AltitudeFromTheGeometricOneElseTheBarometric) {
    TrafficFix fix{};
    AircraftRecord r = Record("A", 1, 50.1, 0.2);
    ASSERT_EQ(FixOf(r, fix), FixUse::Moving);
    EXPECT_EQ(fix.position.height, 1000);
    r.geoAltitude = 0;
    ASSERT_EQ(FixOf(r, fix), FixUse::Moving);
    EXPECT_EQ(fix.position.height, 990);
    r.geoAltitude = NAN;
    ASSERT_EQ(FixOf(r, fix), FixUse::Moving);
    EXPECT_EQ(fix.position.height, 990);
}

// FlightGear's frame is height above sea level: a geometric height is taken down by the geoid's
// undulation there (EGM96: +66.1 m at Keflavik), a barometric one stands as it is.
class GeoidFrameTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        ASSERT_TRUE(LoadGeoidGrid(CORVANE_EGM96_GRID, FileKinds::RegularOnly, egm96, error))
            << error;
    }
    static GeoidGrid egm96;
};
GeoidGrid GeoidFrameTest::egm96;

TEST_F(GeoidFrameTest, AKeflavikRecordLeavesTheBridgeAboveSeaLevel) {
    AircraftRecord r = Record("ICE501", 0x4CC2A1, 63.985, -22.606);
    r.geoAltitude = 118.0;
    r.groundSpeed = 0;
    TrafficForwarder forwarder(kDefaultModel, nullptr, &egm96);
    forwarder.Publish(std::span(&r, 1), 100);
    Capture capture;
    forwarder.SendAll(100, 1, capture);
    ASSERT_EQ(capture.sent.size(), 1u);
    EXPECT_NEAR(ToGeodetic(capture.sent[0].position).height, 51.9, 0.2);

    TrafficFix fix{};
    r.geoAltitude = 0;
    r.baroAltitude = 300;
    ASSERT_EQ(FixOf(r, fix, &egm96), FixUse::Moving);
    EXPECT_EQ(fix.position.height, 300);
    // Without a grid the geometric height goes as recorded.
    r.geoAltitude = 118.0;
    ASSERT_EQ(FixOf(r, fix, nullptr), FixUse::Moving);
    EXPECT_EQ(fix.position.height, 118.0);
}

// Two aircraft level in FlightGear's frame are 66 m apart in the ellipsoid's at Keflavik: the
// traffic-alert logic sees them level, as FlightGear's own-ship reports its height above sea level
// (and the intruder's altimeter, in the standard atmosphere, the same).
TEST_F(GeoidFrameTest, ALevelEncounterAtKeflavikIsJudgedLevel) {
    const double seaLevel = 1500 * units::kMetresPerFoot;
    AircraftRecord intruder = Record("ICE502", 0x4CC2A2, 64.0, -22.606);
    intruder.geoAltitude = seaLevel + *egm96.Undulation(64.0, -22.606);
    intruder.baroAltitude = seaLevel;
    intruder.track = 180;
    intruder.groundSpeed = 120;
    TrafficForwarder forwarder(kDefaultModel, nullptr, &egm96);
    forwarder.Publish(std::span(&intruder, 1), 100);
    TcasIntruder seen[1];
    ASSERT_EQ(forwarder.Intruders(100, seen, 1), 1);
    const TcasAircraft own{{63.97, -22.606, seaLevel}, 120, 0, 0};
    const TcasThreat threat = AssessIntruder(own, seen[0].aircraft);
    EXPECT_EQ(threat.level, TcasLevel::Resolution);
    EXPECT_NEAR(seen[0].aircraft.position.height, seaLevel, 0.01);
    EXPECT_NEAR(threat.altitudeAtClosest, 0, 0.5);
}

// A level encounter at Heathrow (EGM96 +46 m there), the intruder's geometric height recorded
// above the ellipsoid: taken down by the geoid, or sent as recorded without a grid, the
// advisories are the same, for the alert logic compares pressure altitudes.
TEST_F(GeoidFrameTest, ALevelEncounterAtHeathrowGivesTheSameAdvisoriesInEitherFrame) {
    const double pressure = 3000 * units::kMetresPerFoot;
    AircraftRecord intruder = Record("BAW9", 0x400A01, 51.47, -0.30);
    intruder.baroAltitude = pressure;
    intruder.geoAltitude = pressure + *egm96.Undulation(51.47, -0.30);
    intruder.track = 270;
    intruder.groundSpeed = 120;
    std::vector<std::int32_t> requests[2];
    for (int frame = 0; frame < 2; ++frame) {
        TrafficForwarder forwarder(kDefaultModel, nullptr, frame == 0 ? &egm96 : nullptr);
        forwarder.Publish(std::span(&intruder, 1), 0);
        TcasSystem tcas;
        requests[frame] = {10};
        for (int t = 0; t <= 120; ++t) {
            const TcasAircraft own{Displaced({51.47, -0.50, pressure}, {0, 120.0 * t, 0}), 0, 120,
                                   0};
            TcasIntruder seen[1];
            ASSERT_EQ(forwarder.Intruders(t, seen, 1), 1);
            tcas.Step({own, std::nullopt}, seen, t);
            if (RequestOf(tcas.Voice()) != requests[frame].back()) {
                requests[frame].push_back(RequestOf(tcas.Voice()));
            }
        }
    }
    EXPECT_EQ(requests[0], requests[1]);
    EXPECT_EQ(requests[0], (std::vector<std::int32_t>{10, 0, 1, 5, 10}));
}

// The alert logic takes each aircraft's pressure altitude, moved on with its rate, where its
// record has one an aircraft can fly at; one without reports no altitude. Each keeps its
// identity from publication to publication, and no two share one.
TEST(TrafficForwarder, IntrudersCarryTheirPressureAltitudeAndIdentity) {
    struct Case {
        const char* callsign;
        double baro;
        std::uint8_t onGround;
        bool reports;
        double heightAfter5s;
    };
    const Case cases[] = {
        {"BARO", 990, 0, true, 1040},
        {"NOBARO", 0, 0, false, 1050},
        {"NANBARO", NAN, 0, false, 1050},
        {"HIGH", 1e9, 0, false, 1050},
        // On the ground it stays on the ground, whatever vertical rate its record gives.
        {"GROUND", 990, 1, true, 990},
    };
    std::vector<AircraftRecord> records;
    for (const Case& c : cases) {
        AircraftRecord r = Record(c.callsign, 0x400000, 50.0, 0.0);
        r.baroAltitude = c.baro;
        r.verticalRate = 10;
        r.onGround = c.onGround;
        records.push_back(r);
    }
    TrafficForwarder forwarder;
    forwarder.Publish(records, 100);
    TcasIntruder seen[5];
    ASSERT_EQ(forwarder.Intruders(105, seen, 5), 5);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(cases[i].callsign);
        EXPECT_EQ(seen[i].reportsAltitude, cases[i].reports);
        EXPECT_EQ(seen[i].saysOnGround, cases[i].onGround != 0);
        EXPECT_NEAR(seen[i].aircraft.position.height, cases[i].heightAfter5s, 1e-6);
        for (int k = 0; k < i; ++k) {
            EXPECT_NE(seen[i].id, seen[k].id);
        }
    }
    // The same aircraft in the next publication, after another that has gone.
    const std::uint64_t ground = seen[4].id;
    forwarder.Publish({&records[4], 1}, 110);
    ASSERT_EQ(forwarder.Intruders(110, seen, 5), 1);
    EXPECT_EQ(seen[0].id, ground);
}

// What an aircraft can fly (traffic/FlightLimits.h) decides between moving a record on,
// holding it at its fix and leaving it out; a missing speed or track is taken as none.
TEST(TrafficForwarder, RecordsBeyondWhatAircraftFlyAreHeldOrLeftOut) {
    struct Case {
        const char* name;
        void (*set)(AircraftRecord&);
        FixUse use;
    };
    const Case cases[] = {
        {"missing track", [](AircraftRecord& r) { r.track = NAN; }, FixUse::Moving},
        {"missing speed", [](AircraftRecord& r) { r.groundSpeed = NAN; }, FixUse::Moving},
        {"2000 kt, 30000 ft/min down, 60 km",
         [](AircraftRecord& r) {
             r.groundSpeed = 2000 * units::kMetresPerSecondPerKnot;
             r.verticalRate = -30000 * units::kMetresPerSecondPerFootPerMinute;
             r.geoAltitude = 60000;
         },
         FixUse::Moving},
        {"-1500 m", [](AircraftRecord& r) { r.geoAltitude = -1500; }, FixUse::Moving},
        {"infinite speed", [](AircraftRecord& r) { r.groundSpeed = INFINITY; }, FixUse::Held},
        {"2001 kt",
         [](AircraftRecord& r) { r.groundSpeed = 2001 * units::kMetresPerSecondPerKnot; },
         FixUse::Held},
        {"30001 ft/min",
         [](AircraftRecord& r) {
             r.verticalRate = 30001 * units::kMetresPerSecondPerFootPerMinute;
         },
         FixUse::Held},
        {"-1501 m", [](AircraftRecord& r) { r.geoAltitude = -1501; }, FixUse::Unusable},
        {"infinite geometric altitude", [](AircraftRecord& r) { r.geoAltitude = -INFINITY; },
         FixUse::Unusable},
        {"no altitude is a number", [](AircraftRecord& r) { r.geoAltitude = r.baroAltitude = NAN; },
         FixUse::Moving},
        {"latitude NaN", [](AircraftRecord& r) { r.latitude = NAN; }, FixUse::Unusable},
        {"latitude 91", [](AircraftRecord& r) { r.latitude = 91; }, FixUse::Unusable},
        {"longitude -inf", [](AircraftRecord& r) { r.longitude = -INFINITY; }, FixUse::Unusable},
    };
    for (const Case& c : cases) {
        AircraftRecord r = Record("A", 1, 50.1, 0.2);
        c.set(r);
        TrafficFix fix{};
        ASSERT_EQ(FixOf(r, fix), c.use) << c.name;
        if (c.use != FixUse::Unusable) {
            EXPECT_TRUE(std::isfinite(fix.track) && std::isfinite(fix.groundSpeed) &&
                        std::isfinite(fix.verticalRate))
                << c.name;
        }
        if (c.use == FixUse::Held) {
            EXPECT_EQ(fix.groundSpeed, 0) << c.name;
            EXPECT_EQ(fix.verticalRate, 0) << c.name;
        }
    }
}

TEST(TrafficForwarder, SendsEachAircraftWhereItIsAndDropsTheMissing) {
    TrafficForwarder forwarder("Aircraft/c172p/Models/c172p.xml");
    const AircraftRecord first[] = {Record("ONE", 1, 50.4, 0.1), Record("TWO", 2, 50.5, 0.2)};
    forwarder.Publish(first, 100);
    Capture capture;
    EXPECT_EQ(forwarder.SendAll(105, 64905.5, capture), 0);
    ASSERT_EQ(capture.Callsigns(), (std::vector<std::string>{"ONE", "TWO"}));
    const MpPosition& one = capture.sent[0];
    EXPECT_STREQ(one.model, "Aircraft/c172p/Models/c172p.xml");
    EXPECT_EQ(one.time, 64905.5);
    const GeodeticPosition at = ToGeodetic(one.position);
    // 5 s east at 100 m/s from 50.4, 0.1.
    const LocalOffset moved = OffsetBetween({50.4, 0.1, 1000}, at);
    EXPECT_NEAR(moved.east, 500, 1);
    EXPECT_NEAR(moved.north, 0, 1);
    EXPECT_NEAR(at.height, 1000, 1e-3);
    EXPECT_NEAR(AnglesOf(at, one.attitude).heading, 90, 1e-3);
    EXPECT_NEAR(one.linearVelocity.x, 100, 1e-3);

    // TWO is gone from the next publication.
    const AircraftRecord second[] = {Record("ONE", 1, 50.4, 0.115)};
    forwarder.Publish(second, 110);
    capture.sent.clear();
    forwarder.SendAll(111, 64911, capture);
    EXPECT_EQ(capture.Callsigns(), (std::vector<std::string>{"ONE"}));
}

// A record whose position is older than the newest of its publication is dead-reckoned for the
// difference.
TEST(TrafficForwarder, OlderPositionsOfAPublicationAreMovedOnByTheirAge) {
    TrafficForwarder forwarder;
    const AircraftRecord records[] = {Record("NEW", 1, 50.0, 0.0, 1000),
                                      Record("OLD", 2, 50.0, 0.0, 994),
                                      Record("ANCIENT", 3, 50.0, 0.0, 1)};
    forwarder.Publish(records, 50);
    TcasIntruder shown[3];
    ASSERT_EQ(forwarder.Intruders(50, shown, 3), 3);
    EXPECT_NEAR(OffsetBetween({50, 0, 1000}, shown[0].aircraft.position).east, 0, 0.1);
    EXPECT_NEAR(OffsetBetween({50, 0, 1000}, shown[1].aircraft.position).east, 600, 1);
    EXPECT_NEAR(OffsetBetween({50, 0, 1000}, shown[2].aircraft.position).east,
                100 * kMaxFixAgeSeconds, 1);
    EXPECT_NEAR(shown[0].aircraft.east, 100, 1e-9);
}

// Live traffic: each record is moved on from its own time by its age on the calendar, not by the
// publication's newest record; a record too old is shown where it was seen, and one stamped in
// the future (a receiver's clock ahead of this machine's) as of now.
TEST(TrafficForwarder, LiveRecordsAreMovedOnFromTheirOwnTime) {
    struct Case {
        const char* what;
        double age; // at the publication, by the calendar
        double eastAtPublication;
        double eastTenSecondsLater;
        bool held;
    };
    const Case cases[] = {
        {"a quarter second old", 0.25, 25, 1025, false},
        {"12.5 s old", 12.5, 1250, 2250, false},
        {"a minute old, the oldest moved on", 60, 6000, 7000, false},
        {"older than a minute", 60.5, 0, 0, true},
        {"an hour old", 3600, 0, 0, true},
        {"30 s in the future", -30, 0, 1000, false},
    };
    constexpr std::int32_t kTime = 1796792400;
    constexpr double kNow = 50; // the bridge's own clock
    for (const Case& c : cases) {
        TrafficForwarder forwarder;
        const double calendar = kTime + c.age;
        const AircraftRecord records[] = {Record("LIVE", 1, 50.0, 0.0, kTime),
                                          Record("NEWEST", 2, 51.0, 0.0, kTime + 50)};
        forwarder.Publish({records, 1}, kNow, {true, calendar});
        TcasIntruder shown[1];
        ASSERT_EQ(forwarder.Intruders(kNow, shown, 1), 1) << c.what;
        EXPECT_NEAR(OffsetBetween({50, 0, 1000}, shown[0].aircraft.position).east,
                    c.eastAtPublication, 0.5)
            << c.what;
        forwarder.Intruders(kNow + 10, shown, 1);
        EXPECT_NEAR(OffsetBetween({50, 0, 1000}, shown[0].aircraft.position).east,
                    c.eastTenSecondsLater, 0.5)
            << c.what;
        EXPECT_EQ(forwarder.Held(), c.held ? 1 : 0) << c.what;
        // A newer record beside it changes nothing: each goes by its own age.
        forwarder.Publish(records, kNow, {true, calendar});
        forwarder.Intruders(kNow, shown, 1);
        EXPECT_NEAR(OffsetBetween({50, 0, 1000}, shown[0].aircraft.position).east,
                    c.eastAtPublication, 0.5)
            << c.what;
    }
}

TEST(TrafficForwarder, DuplicatesAndUnusableRecordsAreSkipped) {
    TrafficForwarder forwarder;
    const AircraftRecord records[] = {
        Record("SAMEPREFIX1", 0xA1, 50.0, 0.0), Record("SAMEPREFIX2", 0xA2, 50.0, 0.0),
        Record("SAMEPREFIX3", 0xA2, 50.0, 0.0), Record("NOPOS", 0xA3, NAN, 0.0)};
    forwarder.Publish(records, 0);
    EXPECT_EQ(forwarder.Count(), 2);
    EXPECT_EQ(forwarder.Skipped(), 2);
    EXPECT_STREQ(forwarder.CallsignAt(0), "SAMEPRE");
    EXPECT_STREQ(forwarder.CallsignAt(1), "0000A2");
}

} // namespace

TEST(TrafficForwarder, EachAircraftKeepsTheModelChosenWhenItWasFirstSeen) {
    ModelOverrides table;
    ASSERT_TRUE(table.Add("EIN AI/Aircraft/A320/A320-AerLingus.xml", 1));
    const ModelMatcher matcher(nullptr, nullptr, &table, kDefaultModel);
    TrafficForwarder forwarder(kDefaultModel, &matcher);
    const AircraftRecord first[] = {Record("EIN123", 0x4CA001, 53.4, -6.2),
                                    Record("GABCD", 0x400001, 51.5, -0.1)};
    forwarder.Publish(first, 0);
    Capture capture;
    EXPECT_EQ(forwarder.SendAll(1, 1, capture), 0);
    ASSERT_EQ(capture.sent.size(), 2u);
    EXPECT_STREQ(capture.sent[0].model, "AI/Aircraft/A320/A320-AerLingus.xml");
    EXPECT_STREQ(capture.sent[1].model, kDefaultModel);
    EXPECT_EQ(forwarder.CountByRule(MatchRule::Override), 1);
    EXPECT_EQ(forwarder.CountByRule(MatchRule::Default), 1);

    // The table changes under a running bridge only in a test, but it shows that a known
    // aircraft is not matched again on each publication.
    ASSERT_TRUE(table.Add("GABCD AI/Aircraft/c172/c172-a.xml", 2));
    const AircraftRecord second[] = {Record("GABCD", 0x400001, 51.5, -0.1, 1005),
                                     Record("GXYZW", 0x400002, 51.6, -0.1, 1005)};
    forwarder.Publish(second, 5);
    EXPECT_STREQ(forwarder.ModelAt(0), kDefaultModel);
    EXPECT_EQ(forwarder.CountByRule(MatchRule::Override), 0);
    EXPECT_EQ(forwarder.CountByRule(MatchRule::Default), 2);
}

TEST(TrafficForwarder, ATurningClimbingAircraftIsSentBankedAndPitchedUp) {
    TrafficForwarder forwarder;
    AircraftRecord record = Record("EIN123", 0x4CA001, 53.4, -6.2, 1000);
    record.track = 0;
    forwarder.Publish({&record, 1}, 0);
    record.track = 30;
    record.verticalRate = 10;
    record.positionTime = 1010;
    record.latitude += 0.0089; // about 1000 m on, as flown
    forwarder.Publish({&record, 1}, 10);
    Capture capture;
    forwarder.SendAll(10 + kRollSeconds, 0, capture);
    ASSERT_EQ(capture.sent.size(), 1u);
    const EulerAngles angles =
        AnglesOf(ToGeodetic(capture.sent[0].position), capture.sent[0].attitude);
    EXPECT_NEAR(angles.roll, CoordinatedBank(100, 3), 0.01);
    EXPECT_NEAR(angles.pitch, std::atan2(10, 100) * kDegrees, 0.01);
    EXPECT_NEAR(angles.heading, 30, 0.01);
}
