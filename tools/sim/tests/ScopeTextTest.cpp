#include "tools/sim/ScopeText.h"

#include "text_functions/TextFunctions.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {
struct AltitudeCase {
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

INSTANTIATE_TEST_SUITE_P(Cases, RelativeAltitude,
                         testing::Values(AltitudeCase{1828.8, 6000, "00",
                                                      '*'}, // 6000 ft: same level
                                         AltitudeCase{2188.464, 6000, "+12", '*'}, // 7180 ft
                                         AltitudeCase{2225.04, 6000, "+13", 'o'},  // 7300 ft
                                         AltitudeCase{1676.4, 6000, "-05", '*'},   // 5500 ft
                                         AltitudeCase{10668, 6000, "+290", 'o'},   // FL350
                                         AltitudeCase{0, 6000, "-60", 'o'}));

TEST(ScopeText, TrendNeedsMoreThan500FeetPerMinute) {
    EXPECT_EQ(TrendSymbol(3.0), '^');
    EXPECT_EQ(TrendSymbol(-3.0), 'v');
    EXPECT_EQ(TrendSymbol(2.5), ' ');
    EXPECT_EQ(TrendSymbol(0.0), ' ');
}

struct CellCase {
    double dLatitude;
    double dLongitude;
    bool inside;
    int column;
    int row;
};

class ScopeCells : public testing::TestWithParam<CellCase> {};

TEST_P(ScopeCells, MapTheBoxOntoTheGrid) {
    const CellCase& c = GetParam();
    const OwnShipFix own{50.45, 0.01, 0};
    int column = -1, row = -1;
    ASSERT_EQ(ScopeCell(own, 50.45 + c.dLatitude, 0.01 + c.dLongitude, column, row), c.inside);
    if (c.inside) {
        EXPECT_EQ(column, c.column);
        EXPECT_EQ(row, c.row);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScopeCells,
    testing::Values(CellCase{0, 0, true, kScopeColumns / 2, kScopeRows / 2},
                    CellCase{0.6, -0.6, true, 0, 0},
                    CellCase{-0.6, 0.6, true, kScopeColumns - 1, kScopeRows - 1},
                    CellCase{0.61, 0, false, 0, 0}, CellCase{0, -0.61, false, 0, 0}));

TEST(ScopeText, ShowsEachPublishedAircraftWithItsLabelAndTheCounters) {
    auto publication = std::make_unique<PublicationSnapshot>();
    publication->publishCounter = 7;
    publication->aircraftCount = 2;
    publication->recordCount = 2;
    publication->trafficStatus = 0;
    CopyBounded(publication->aircraft[0].callsign, "BAW12", 9);
    publication->aircraft[0].latitude = 50.75; // 0.3 north: row 6
    publication->aircraft[0].longitude = 0.01;
    publication->aircraft[0].baroAltitude = 2188.464; // +12
    publication->aircraft[0].verticalRate = 5;
    CopyBounded(publication->aircraft[1].callsign, "FAR", 9);
    publication->aircraft[1].latitude = 52.0; // outside the box: not drawn
    CopyBounded(publication->slot3, "Failed geting historic data", kDiagnosticTextSize);

    ScopeState state;
    state.own = {50.45, 0.01, 90};
    state.ownAltitudeFt = 6000;
    state.publication = publication.get();
    const std::vector<std::string> lines = RenderScope(state);
    // Border line, then the grid rows.
    const std::string& row = lines[1 + 6];
    EXPECT_EQ(row.substr(1 + kScopeColumns / 2, 10), "*BAW12+12^");
    EXPECT_EQ(lines[1 + kScopeRows / 2][1 + kScopeColumns / 2], '@');
    for (int i = 0; i < kScopeRows + 2; ++i) {
        EXPECT_EQ(lines[static_cast<std::size_t>(i)].size(), kScopeColumns + 2u) << i;
    }
    std::string all;
    for (const std::string& line : lines) {
        all += line + "\n";
    }
    EXPECT_EQ(all.find("FAR"), std::string::npos);
    EXPECT_NE(all.find("publishCounter 7  aircraftCount 2  trafficStatus 0"), std::string::npos);
    EXPECT_NE(all.find("slot 3: Failed geting historic data"), std::string::npos);

    const std::string log = PublicationLogLine(state);
    EXPECT_NE(log.find("publication 7: 2 aircraft, status 0"), std::string::npos) << log;
    EXPECT_NE(log.find("BAW12+12 FAR"), std::string::npos) << log;
}

TEST(ScopeText, BeforeAnyPublicationSaysSo) {
    ScopeState state;
    const std::vector<std::string> lines = RenderScope(state);
    EXPECT_EQ(lines.back(), "waiting for the first publication");
    EXPECT_EQ(PublicationLogLine(state), "");
}
} // namespace

namespace {
TEST(ScopeText, LabelsNeverMixAndGoLeftAtTheEdge) {
    auto publication = std::make_unique<PublicationSnapshot>();
    const struct {
        const char* callsign;
        double dLongitude;
    } aircraft[] = {{"AAA", 0.0}, {"BBB", 0.02}, {"EDGE", 0.6}};
    for (const auto& a : aircraft) {
        AircraftRecord& record = publication->aircraft[publication->recordCount++];
        CopyBounded(record.callsign, a.callsign, 9);
        record.latitude = 50.75;
        record.longitude = 0.01 + a.dLongitude;
        record.baroAltitude = 1828.8; // own level: "00"
    }
    ScopeState state;
    state.own = {50.45, 0.01, 90};
    state.ownAltitudeFt = 6000;
    state.publication = publication.get();
    const std::string row = RenderScope(state)[1 + 6];
    const std::size_t centre = 1 + kScopeColumns / 2;
    // AAA's label would run over BBB's symbol one cell to the right: it goes left instead.
    EXPECT_EQ(row.substr(centre - 5, 7), "AAA00**") << row;
    EXPECT_EQ(row.substr(centre + 2, 5), "BBB00") << row;
    EXPECT_EQ(row.substr(kScopeColumns - 6, 8), "EDGE00*|") << row;
}
} // namespace
