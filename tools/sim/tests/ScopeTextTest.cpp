#include "tools/sim/ScopeText.h"

#include "text_functions/TextFunctions.h"

#include "tools/sim/tests/SimTestCases.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <ostream>
#include <string>

namespace {
using sim_test::StateOf;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct AltitudeCase : sim_test::NamedCase {
    double metres;
    double ownFt;
    const char* text;
    char symbol;
};

class RelativeAltitude : public testing::TestWithParam<AltitudeCase> {};

TEST_P(RelativeAltitude, InHundredsOfFeetWithTheProximateSymbol) {
    const AltitudeCase& c = GetParam();
    EXPECT_EQ(RelativeAltitudeText(c.metres, c.ownFt), c.text);
    EXPECT_EQ(TrafficSymbol(c.metres, c.ownFt), c.symbol);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RelativeAltitude,
    testing::Values(AltitudeCase{{"SameLevel"}, 1828.8, 6000, "00", '*'}, // 6000 ft
                    AltitudeCase{{"Above1180Ft"}, 2188.464, 6000, "+12", '*'},
                    AltitudeCase{{"Above1300Ft"}, 2225.04, 6000, "+13", 'o'},
                    AltitudeCase{{"Below500Ft"}, 1676.4, 6000, "-05", '*'},
                    AltitudeCase{{"FlightLevel350"}, 10668, 6000, "+290", 'o'},
                    AltitudeCase{{"OnTheGround"}, 0, 6000, "-60", 'o'},
                    // From the block: anything a peer writes, never a number that is none.
                    AltitudeCase{{"NotANumber"}, kNaN, 6000, "?", 'o'},
                    AltitudeCase{{"Infinite"}, kInfinity, 6000, "+999", 'o'},
                    AltitudeCase{{"HugeBelow"}, -1e300, 6000, "-999", 'o'}),
    sim_test::ByName());

TEST(ScopeText, TrendNeedsMoreThan500FeetPerMinute) {
    EXPECT_EQ(TrendSymbol(3.0), '^');
    EXPECT_EQ(TrendSymbol(-3.0), 'v');
    EXPECT_EQ(TrendSymbol(2.5), ' ');
    EXPECT_EQ(TrendSymbol(0.0), ' ');
    EXPECT_EQ(TrendSymbol(kNaN), ' ');
}

std::unique_ptr<PublicationSnapshot> Publication() {
    auto publication = std::make_unique<PublicationSnapshot>();
    publication->publishCounter = 7;
    publication->aircraftCount = 2;
    publication->recordCount = 2;
    CopyBounded(publication->aircraft[0].callsign, "BAW12", 9);
    publication->aircraft[0].latitude = 50.75;
    publication->aircraft[0].longitude = 0.01;
    publication->aircraft[0].baroAltitude = 2188.464; // +12
    publication->aircraft[0].verticalRate = 5;
    CopyBounded(publication->aircraft[1].callsign, "FAR", 9);
    publication->aircraft[1].latitude = 52.0; // outside the box
    publication->aircraft[0].positionTime = 1717228790;
    publication->aircraft[1].positionTime = 1717228800;
    return publication;
}

TEST(ScopeText, LogLineListsEveryPublishedAircraft) {
    const auto publication = Publication();
    ScopeState state = StateOf(publication.get());
    const std::string log = PublicationLogLine(state);
    EXPECT_NE(log.find("publication 7: 2 aircraft, status 0"), std::string::npos) << log;
    EXPECT_NE(log.find("BAW12+12 FAR"), std::string::npos) << log;
    EXPECT_EQ(PublicationLogLine(StateOf(nullptr)), "");
}

// The newest position of the publication, whichever aircraft has it, tells its entry; an empty
// publication has none.
TEST(ScopeText, LogLineSaysWhenThePublicationWasRecorded) {
    const auto publication = Publication();
    EXPECT_NE(PublicationLogLine(StateOf(publication.get()))
                  .find(", recorded 2024-06-01T08:00:00Z: BAW12"),
              std::string::npos)
        << PublicationLogLine(StateOf(publication.get()));
    publication->aircraft[0].positionTime = 1717228810;
    EXPECT_NE(PublicationLogLine(StateOf(publication.get())).find("recorded 2024-06-01T08:00:10Z"),
              std::string::npos);
    publication->aircraftCount = 0;
    publication->recordCount = 0;
    EXPECT_EQ(PublicationLogLine(StateOf(publication.get())).find("recorded"), std::string::npos);
}

// Callsigns and slots come from a peer: a terminal must never receive its escapes.
TEST(ScopeText, TextsFromTheBlockAreMasked) {
    auto publication = Publication();
    CopyBounded(publication->aircraft[0].callsign,
                "\x1b[2J\x9b"
                "AB",
                9);
    CopyBounded(publication->slot1, "\x1b]0;owned\a", kDiagnosticTextSize);
    CopyBounded(publication->slot6, "line\nbreak", kDiagnosticTextSize);
    const ScopeState state = StateOf(publication.get());
    EXPECT_EQ(CallsignText(publication->aircraft[0]), "?[2J?AB");
    EXPECT_EQ(TrafficLabel(publication->aircraft[0], 6000), "?[2J?AB+12^");
    const std::string log = PublicationLogLine(state);
    EXPECT_NE(log.find("?[2J?AB+12"), std::string::npos) << log;
    const std::vector<std::string> slots = SlotLines(state);
    EXPECT_EQ(slots[0], "slot 1: ?]0;owned?");
    EXPECT_EQ(slots[2], "slot 6: line?break");
}

TEST(ScopeText, StatusNamesTheAlertAndTheAgeOfThePublication) {
    const auto publication = Publication();
    ScopeState state = StateOf(publication.get());
    state.seconds = 43.2;
    state.publishedAt = 31.0;
    state.soundRequest = 3;
    std::string all;
    for (const std::string& line : StatusLines(state)) {
        EXPECT_LE(line.size(), 33u) << line;
        all += line + "\n";
    }
    EXPECT_NE(all.find("alert 3: Descend"), std::string::npos) << all;
    EXPECT_NE(all.find("publishCounter 7, 12 s ago"), std::string::npos) << all;
    EXPECT_NE(all.find("aircraftCount 2  trafficStatus 0"), std::string::npos) << all;
    state.soundRequest = -7;
    EXPECT_EQ(StatusLines(state)[3], "alert -7: no request");
    state.publication = nullptr;
    EXPECT_EQ(StatusLines(state).back(), "no publication yet");
}

TEST(ScopeText, TrafficInViewPutsTheProximateAndNearestFirst) {
    auto publication = std::make_unique<PublicationSnapshot>();
    const struct {
        double dLatitude;
        double metres;
    } aircraft[] = {{0.5, 1828.8}, {0.1, 10000}, {0.3, 1828.8}, {0.9, 1828.8}, {0.05, kNaN}};
    for (const auto& a : aircraft) {
        AircraftRecord& record = publication->aircraft[publication->recordCount++];
        record.latitude = 50.45 + a.dLatitude;
        record.longitude = 0.01;
        record.baroAltitude = a.metres;
    }
    const std::vector<int> order = TrafficInView(StateOf(publication.get()));
    EXPECT_EQ(order, (std::vector<int>{2, 0, 4, 1})); // the fourth is outside the box
}

TEST(ScopeText, OffsetsTakeLongitudesTheShortWayRound) {
    double east = 0, north = 0;
    ASSERT_TRUE(ScopeOffset({10, 179.9, 0}, 10.3, -179.8, east, north));
    EXPECT_NEAR(east, 0.3 / kScopeHalfSize, 1e-9);
    EXPECT_NEAR(north, 0.3 / kScopeHalfSize, 1e-9);
    EXPECT_FALSE(ScopeOffset({10, 0, 0}, kNaN, 0, east, north));
    EXPECT_FALSE(ScopeOffset({10, 0, 0}, 10, 0.61, east, north));
}
} // namespace
