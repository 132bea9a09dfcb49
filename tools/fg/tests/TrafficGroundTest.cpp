#include "tools/fg/TrafficForwarder.h"

#include "aviation/Attitude.h"
#include "aviation/tests/AirportFixtures.h"
#include "text_functions/TextFunctions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double kField = 13 * units::kMetresPerFoot; // PHNL's field elevation
constexpr double kKnot = units::kMetresPerSecondPerKnot;

// A stand at Honolulu, 200 m from the terminal, and the threshold of runway 08L.
constexpr double kStandLatitude = 21.3270;
constexpr double kStandLongitude = -157.9150;

AircraftRecord Record(const char* callsign, double latitude, double longitude, double height,
                      double knots, double track = 90, double rate = 0) {
    AircraftRecord r{};
    CopyBounded(r.callsign, callsign, sizeof r.callsign);
    r.icaoAddress = 0x4CA001;
    r.latitude = latitude;
    r.longitude = longitude;
    r.geoAltitude = height;
    r.track = track;
    r.groundSpeed = knots * kKnot;
    r.verticalRate = rate;
    r.positionTime = 1000;
    return r;
}

// FlightGear's answers as the test gives them; the questions as they were asked.
class TestTerrain : public TerrainSource {
public:
    struct Question {
        std::int64_t ticket;
        double latitude;
        double longitude;
    };
    std::int64_t AskTerrain(double latitude, double longitude) override {
        if (!open) {
            return 0;
        }
        questions.push_back({nextTicket, latitude, longitude});
        return nextTicket++;
    }
    std::vector<TerrainAnswer> TakeTerrain() override {
        std::vector<TerrainAnswer> taken;
        taken.swap(answers);
        return taken;
    }
    // Answers the question asked last.
    void Answer(TerrainResult result, double elevation = 0) {
        ASSERT_FALSE(questions.empty());
        answers.push_back({questions.back().ticket, result, elevation});
    }

    bool open = true;
    std::vector<Question> questions;
    std::vector<TerrainAnswer> answers;
    std::int64_t nextTicket = 1;
};

// What FlightGear is sent for each aircraft at `now`: its place and attitude, by callsign.
struct Sent {
    GeodeticPosition position;
    EulerAngles angles;
};
std::vector<std::pair<std::string, Sent>> SendAt(const TrafficForwarder& traffic, double now) {
    class Keep : public DatagramSink {
    public:
        bool Send(const std::uint8_t* data, std::size_t size) override {
            MpPosition message{};
            EXPECT_EQ(decoder.Decode(data, size, message), MpDecodeResult::Position);
            const GeodeticPosition at = ToGeodetic(message.position);
            sent.push_back({message.callsign, {at, AnglesOf(at, message.attitude)}});
            return true;
        }
        MpDecoder decoder;
        std::vector<std::pair<std::string, Sent>> sent;
    } keep;
    EXPECT_EQ(traffic.SendAll(now, now, keep), 0);
    return keep.sent;
}

Sent SentFor(const TrafficForwarder& traffic, double now, const std::string& callsign) {
    for (const auto& [name, sent] : SendAt(traffic, now)) {
        if (name == callsign) {
            return sent;
        }
    }
    ADD_FAILURE() << callsign << " was not sent";
    return {};
}

class TrafficGroundTest : public testing::Test {
protected:
    AirportIndex airports = Honolulu();
};

TEST_F(TrafficGroundTest, ParkedAndTaxiingAircraftStandOnTheFieldLevel) {
    TrafficForwarder traffic(kDefaultModel, nullptr, nullptr, {&airports});
    AircraftRecord parked = Record("PARKED", kStandLatitude, kStandLongitude, 0, 0);
    parked.baroAltitude = 0; // no height at all, as a recording keeps aircraft on the ground
    AircraftRecord taxiing = Record("TAXI", kStandLatitude + 0.002, kStandLongitude, 20, 15);
    taxiing.verticalRate = 3;
    // On a 3 degree path, 140 kt: flying, whatever its height. 0.6 NM beside 08L's centre line,
    // so that it is dead-reckoned down its path rather than flown along a runway's final.
    const AircraftRecord final = Record("FINAL", 21.3352, -157.9600, 90, 140, 90, -3.6);
    // Slow and near the field, but 150 m up: a helicopter, flying.
    const AircraftRecord hovering = Record("HOVER", 21.3200, -157.9300, 150, 20);
    // No height, far from any airport: nothing to stand on, sent as it was.
    const AircraftRecord adrift = Record("ADRIFT", 21.6, -157.5, 0, 0);
    traffic.Publish(std::vector<AircraftRecord>{parked, taxiing, final, hovering, adrift}, 0);
    EXPECT_EQ(traffic.OnGround(), 2);

    for (const char* name : {"PARKED", "TAXI"}) {
        const Sent sent = SentFor(traffic, 5, name);
        EXPECT_NEAR(sent.position.height, kField, 0.01) << name;
        EXPECT_NEAR(sent.angles.pitch, 0, 1e-4) << name;
        EXPECT_NEAR(sent.angles.roll, 0, 1e-4) << name;
    }
    // The taxiing one moves along the ground at its speed, level.
    const Sent later = SentFor(traffic, 10, "TAXI");
    EXPECT_NEAR(later.position.height, kField, 0.01);
    EXPECT_NEAR(OffsetBetween(SentFor(traffic, 0, "TAXI").position, later.position).east,
                10 * 15 * kKnot, 1.0);
    EXPECT_NEAR(SentFor(traffic, 0, "FINAL").position.height, 90, 0.01);
    EXPECT_LT(SentFor(traffic, 0, "FINAL").angles.pitch, -1);
    EXPECT_NEAR(SentFor(traffic, 0, "HOVER").position.height, 150, 0.01);
    EXPECT_NEAR(SentFor(traffic, 0, "ADRIFT").position.height, 0, 0.01);

    // The traffic-alert logic sees them where FlightGear shows them.
    TcasIntruder intruders[5];
    ASSERT_EQ(traffic.Intruders(5, intruders, 5), 5);
    EXPECT_NEAR(intruders[1].aircraft.position.height, kField, 0.01);
    EXPECT_EQ(intruders[1].aircraft.up, 0);

    // Without airports nothing is placed on the ground.
    TrafficForwarder plain;
    plain.Publish(std::vector<AircraftRecord>{parked}, 0);
    EXPECT_EQ(plain.OnGround(), 0);
    EXPECT_NEAR(SentFor(plain, 0, "PARKED").position.height, 0, 0.01);
}

TEST_F(TrafficGroundTest, FlightGearsGroundIsAskedOnceAndAgainAfterAHundredMetres) {
    TrafficForwarder traffic(kDefaultModel, nullptr, nullptr, {&airports});
    TestTerrain terrain;
    // Taxiing east at 10 m/s.
    AircraftRecord taxiing = Record("TAXI", kStandLatitude, kStandLongitude, 0, 10 / kKnot);
    traffic.Publish(std::vector<AircraftRecord>{taxiing}, 0);
    traffic.KeepGround(0, terrain);
    ASSERT_EQ(terrain.questions.size(), 1u);
    EXPECT_NEAR(terrain.questions[0].latitude, kStandLatitude, 1e-9);
    EXPECT_NEAR(terrain.questions[0].longitude, kStandLongitude, 1e-9);
    // Until FlightGear answers, the field elevation; then FlightGear's ground.
    EXPECT_NEAR(SentFor(traffic, 0.5, "TAXI").position.height, kField, 0.01);
    terrain.Answer(TerrainResult::Height, 5.5);
    traffic.KeepGround(0.6, terrain);
    EXPECT_NEAR(SentFor(traffic, 0.6, "TAXI").position.height, 5.5, 1e-9);
    EXPECT_TRUE(traffic.GroundAt(0).OnTerrain());
    // Not asked again while it is within 100 m of where it was asked; then asked where it is,
    // the answer before still used until the new one comes.
    for (double now = 1; now < 9.9; now += 0.1) {
        traffic.KeepGround(now, terrain);
    }
    EXPECT_EQ(terrain.questions.size(), 1u);
    traffic.KeepGround(10.1, terrain);
    ASSERT_EQ(terrain.questions.size(), 2u);
    EXPECT_NEAR(OffsetBetween({kStandLatitude, kStandLongitude, 0},
                              {terrain.questions[1].latitude, terrain.questions[1].longitude, 0})
                    .east,
                101, 1);
    EXPECT_NEAR(SentFor(traffic, 10.2, "TAXI").position.height, 5.5, 1e-9);
    terrain.Answer(TerrainResult::Height, 6.25);
    traffic.KeepGround(10.3, terrain);
    EXPECT_NEAR(SentFor(traffic, 10.3, "TAXI").position.height, 6.25, 1e-9);

    // A new publication keeps what FlightGear said.
    taxiing.positionTime = 1010;
    taxiing.longitude = kStandLongitude + 0.00097; // 100 m east of the stand
    traffic.Publish(std::vector<AircraftRecord>{taxiing}, 10.4);
    EXPECT_NEAR(SentFor(traffic, 10.4, "TAXI").position.height, 6.25, 1e-9);
}

TEST_F(TrafficGroundTest, NoSceneryOrNoAnswerKeepsTheFieldAndIsAskedAgain) {
    TrafficForwarder traffic(kDefaultModel, nullptr, nullptr, {&airports});
    TestTerrain terrain;
    AircraftRecord parked = Record("PARKED", kStandLatitude, kStandLongitude, 0, 0);
    traffic.Publish(std::vector<AircraftRecord>{parked}, 0);
    // No server: nothing asked, the field stands.
    terrain.open = false;
    traffic.KeepGround(0, terrain);
    EXPECT_TRUE(terrain.questions.empty());
    terrain.open = true;
    traffic.KeepGround(0.1, terrain);
    ASSERT_EQ(terrain.questions.size(), 1u);
    // A question lost on the way is asked again at once.
    terrain.Answer(TerrainResult::Unanswered);
    traffic.KeepGround(0.2, terrain);
    ASSERT_EQ(terrain.questions.size(), 2u);
    // No scenery loaded there: the field, and asked again half a minute later.
    terrain.Answer(TerrainResult::NoScenery);
    traffic.KeepGround(0.3, terrain);
    EXPECT_NEAR(SentFor(traffic, 0.3, "PARKED").position.height, kField, 0.01);
    EXPECT_FALSE(traffic.GroundAt(0).OnTerrain());
    for (double now = 0.4; now < 30.2; now += 0.1) {
        traffic.KeepGround(now, terrain);
    }
    EXPECT_EQ(terrain.questions.size(), 2u);
    traffic.KeepGround(30.4, terrain);
    EXPECT_EQ(terrain.questions.size(), 3u);
    // An answer for an aircraft that has gone is dropped.
    traffic.Publish({}, 31);
    terrain.Answer(TerrainResult::Height, 4);
    traffic.KeepGround(31, terrain);
    EXPECT_TRUE(terrain.answers.empty());
}

TEST_F(TrafficGroundTest, TheHundredFeetAreCountedFromFlightGearsGround) {
    TrafficForwarder traffic(kDefaultModel, nullptr, nullptr, {&airports});
    TestTerrain terrain;
    // 35 m: 31 m above the field, 25 m above FlightGear's ground of 10 m there.
    const AircraftRecord slow = Record("SLOW", kStandLatitude, kStandLongitude, 35, 30);
    traffic.Publish(std::vector<AircraftRecord>{slow}, 0);
    EXPECT_EQ(traffic.OnGround(), 0);
    EXPECT_NEAR(SentFor(traffic, 0, "SLOW").position.height, 35, 0.01);
    traffic.KeepGround(0, terrain);
    ASSERT_EQ(terrain.questions.size(), 1u) << "slow near the field: its ground is worth asking";
    terrain.Answer(TerrainResult::Height, 10);
    traffic.KeepGround(0.1, terrain);
    EXPECT_EQ(traffic.OnGround(), 1);
    EXPECT_NEAR(SentFor(traffic, 0.1, "SLOW").position.height, 10, 1e-9);
    // Fast, it flies again at its own height.
    traffic.Publish(
        std::vector<AircraftRecord>{Record("SLOW", kStandLatitude, kStandLongitude, 35, 60)}, 1);
    EXPECT_EQ(traffic.OnGround(), 0);
    EXPECT_NEAR(SentFor(traffic, 1, "SLOW").position.height, 35, 0.01);
}

} // namespace
