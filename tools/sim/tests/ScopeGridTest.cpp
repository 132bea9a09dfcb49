#include "tools/sim/ScopeGrid.h"

#include "text_functions/TextFunctions.h"

#include "tools/sim/tests/SimTestCases.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>
#include <ostream>
#include <string>

namespace {
using sim_test::StateOf;

// The grid of an 80 by 24 terminal with the three slots in one line each.
constexpr int kColumns = 43;
constexpr int kRows = 19;

struct CellCase : sim_test::NamedCase {
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
    ASSERT_EQ(
        ScopeCell(own, 50.45 + c.dLatitude, 0.01 + c.dLongitude, kColumns, kRows, column, row),
        c.inside);
    if (c.inside) {
        EXPECT_EQ(column, c.column);
        EXPECT_EQ(row, c.row);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScopeCells,
    testing::Values(CellCase{{"OwnShip"}, 0, 0, true, kColumns / 2, kRows / 2},
                    CellCase{{"NorthWestCorner"}, 0.6, -0.6, true, 0, 0},
                    CellCase{{"SouthEastCorner"}, -0.6, 0.6, true, kColumns - 1, kRows - 1},
                    CellCase{{"NorthOfTheBox"}, 0.61, 0, false, 0, 0},
                    CellCase{{"WestOfTheBox"}, 0, -0.61, false, 0, 0}),
    sim_test::ByName());

std::string Joined(const std::vector<std::string>& lines) {
    std::string all;
    for (const std::string& line : lines) {
        all += line + "\n";
    }
    return all;
}

// The screen line of a grid row 0.3 degrees north of the own-ship: behind the border line.
const std::string& LineAtNorth03(const std::vector<std::string>& lines) {
    int column = 0, row = 0;
    ScopeCell({50.45, 0.01, 0}, 50.75, 0.01, kColumns, kRows, column, row);
    return lines[static_cast<std::size_t>(row + 1)];
}

TEST(ScopeGrid, ShowsEachPublishedAircraftWithItsLabelAndTheCounters) {
    auto publication = std::make_unique<PublicationSnapshot>();
    publication->publishCounter = 7;
    publication->aircraftCount = 2;
    publication->recordCount = 2;
    publication->trafficStatus = 0;
    CopyBounded(publication->aircraft[0].callsign, "BAW12", 9);
    publication->aircraft[0].latitude = 50.75; // 0.3 north: half-way up
    publication->aircraft[0].longitude = 0.01;
    publication->aircraft[0].baroAltitude = 2188.464; // +12
    publication->aircraft[0].verticalRate = 5;
    CopyBounded(publication->aircraft[1].callsign, "FAR", 9);
    publication->aircraft[1].latitude = 52.0; // outside the box: not drawn
    CopyBounded(publication->slot3, "Failed geting historic data", kDiagnosticTextSize);

    const std::vector<std::string> lines = RenderScope(StateOf(publication.get()), 80, 24);
    EXPECT_EQ(LineAtNorth03(lines).substr(1 + kColumns / 2, 10), "*BAW12+12^") << Joined(lines);
    EXPECT_EQ(lines[1 + kRows / 2][1 + kColumns / 2], '@');
    const std::string all = Joined(lines);
    EXPECT_EQ(all.find("FAR"), std::string::npos);
    EXPECT_NE(all.find("publishCounter 7"), std::string::npos) << all;
    EXPECT_NE(all.find("aircraftCount 2  trafficStatus 0"), std::string::npos) << all;
    EXPECT_NE(all.find("\nslot 3: Failed geting historic data\n"), std::string::npos) << all;
}

TEST(ScopeGrid, BeforeAnyPublicationSaysSo) {
    const std::string all = Joined(RenderScope(StateOf(nullptr), 80, 24));
    EXPECT_NE(all.find("no publication yet"), std::string::npos) << all;
    EXPECT_NE(all.find("\nslot 1:\n"), std::string::npos) << all;
}

TEST(ScopeGrid, LabelsNeverMixAndGoLeftAtTheEdge) {
    auto publication = std::make_unique<PublicationSnapshot>();
    const struct {
        const char* callsign;
        double dLongitude;
    } aircraft[] = {{"AAA", 0.0}, {"BBB", 0.0 + 1.2 / (kColumns - 1)}, {"EDGE", 0.6}};
    for (const auto& a : aircraft) {
        AircraftRecord& record = publication->aircraft[publication->recordCount++];
        CopyBounded(record.callsign, a.callsign, 9);
        record.latitude = 50.75;
        record.longitude = 0.01 + a.dLongitude;
        record.baroAltitude = 1828.8; // own level: "00"
    }
    const std::vector<std::string> lines = RenderScope(StateOf(publication.get()), 80, 24);
    const std::string& row = LineAtNorth03(lines);
    const std::size_t centre = 1 + kColumns / 2;
    // AAA's label would run into BBB's symbol one cell to the right: it goes left instead.
    EXPECT_EQ(row.substr(centre - 5, 7), "AAA00**") << Joined(lines);
    EXPECT_EQ(row.substr(centre + 2, 5), "BBB00") << Joined(lines);
    EXPECT_EQ(row.substr(kColumns - 6, 8), "EDGE00*|") << Joined(lines);
}

// Traffic as a busy hour gives it: more aircraft than labels fit beside them.
std::unique_ptr<PublicationSnapshot> Crowd(int count) {
    auto publication = sim_test::Crowd(count, 0.55);
    CopyBounded(publication->slot1,
                "Top Lat = 51.050000 Bot Lat = 49.850000 Left =-0.590000 Right = 0.610000",
                kDiagnosticTextSize);
    return publication;
}

struct SizeCase : sim_test::NamedCase {
    int columns;
    int rows;
    int aircraft;
};

class ScopeFits : public testing::TestWithParam<SizeCase> {};

// Nothing scrolls or wraps: at most as many lines as rows, none into the last column.
TEST_P(ScopeFits, TheTerminal) {
    const SizeCase& c = GetParam();
    const auto publication = Crowd(c.aircraft);
    std::string slot(kDiagnosticTextSize - 1, 'w');
    CopyBounded(publication->slot6, slot.c_str(), kDiagnosticTextSize);
    const std::vector<std::string> lines =
        RenderScope(StateOf(publication.get()), c.columns, c.rows);
    EXPECT_LE(lines.size(), static_cast<std::size_t>(c.rows));
    for (const std::string& line : lines) {
        EXPECT_LT(line.size(), static_cast<std::size_t>(c.columns)) << line;
    }
    if (c.columns >= 80 && c.rows >= 24) {
        const std::string all = Joined(lines);
        const std::string slot6 = all.substr(all.find("slot 6: "));
        EXPECT_EQ(std::count(slot6.begin(), slot6.end(), 'w'), kDiagnosticTextSize - 1) << all;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScopeFits,
                         testing::Values(SizeCase{{"Standard"}, 80, 24, 18},
                                         SizeCase{{"StandardFull"}, 80, 24, kMaxBlockAircraft},
                                         SizeCase{{"Large"}, 200, 60, 49},
                                         SizeCase{{"Tiny"}, 30, 8, 49}),
                         sim_test::ByName());

TEST(ScopeGrid, ABiggerTerminalGetsABiggerScope) {
    const std::vector<std::string> small = RenderScope(StateOf(nullptr), 80, 24);
    const std::vector<std::string> large = RenderScope(StateOf(nullptr), 160, 50);
    EXPECT_EQ(small.size(), 24u);
    EXPECT_EQ(large.size(), 50u);
    EXPECT_GT(large[0].find('+', 1), small[0].find('+', 1)); // the box's top right corner
}

// Every aircraft in the box is found: by its whole label on the grid, or by its number there
// and its label in the list beside it.
TEST(ScopeGrid, CrowdedTrafficIsLabelledOrNumbered) {
    const auto publication = Crowd(49);
    const ScopeState state = StateOf(publication.get());
    const std::vector<std::string> lines = RenderScope(state, 80, 24);
    const std::string all = Joined(lines);
    int numbered = 0;
    for (int i = 0; i < 49; ++i) {
        const std::string label = TrafficLabel(publication->aircraft[i], state.ownAltitudeFt);
        const std::size_t at = all.find(label);
        if (at == std::string::npos) {
            continue;
        }
        // In the list ("3 Q007XY-15") or alone on the grid, with room on either side.
        const bool listed = at >= 2 && all[at - 1] == ' ' && std::isdigit(all[at - 2]);
        numbered += listed ? 1 : 0;
        const char after = all[at + label.size()];
        EXPECT_TRUE(after == ' ' || after == '\n' || after == '|' || after == '.' || after == '*' ||
                    after == 'o')
            << label << "\n"
            << all;
    }
    EXPECT_GT(numbered, 0) << all;
    EXPECT_NE(all.find("more"), std::string::npos) << all; // the list is longer than the room
}
} // namespace
