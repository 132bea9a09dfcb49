#include "tools/fg/scenery/GroundNetFile.h"

#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

// Two nodes east of a parking, arcs both ways, and what a file may hold besides: comments, other
// elements, an element that cannot be read and an arc to a point it does not have.
const char kSmallNet[] = R"(<?xml version="1.0"?>
<groundnet>
  <version>1</version>
  <frequencies><TOWER>12390</TOWER></frequencies>
  <parkingList>
    <Parking index="0" type="gate" name="T2-" lat="N21 19.725" lon="W157 54.858" heading="359.4"
             radius="33" number="G7" pushBackRoute="1"/>
    <Parking index="5" type="gate" name="broken" lat="N21 19.7x" lon="W157 54.858" heading="0"
             radius="20"/>
  </parkingList>
  <!-- <node index="9" lat="N0 0" lon="E0 0"/> -->
  <TaxiNodes>
    <node index="1" lat="N21 19.700" lon="W157 54.858" isOnRunway="0" holdPointType="none"/>
    <node index="2" lat='N21 19.700' lon='W157 54.758' isOnRunway="0"/>
  </TaxiNodes>
  <TaxiWaySegments>
    <arc begin="0" end="1" isPushBackRoute="1" name="0"/>
    <arc begin="1" end="0" isPushBackRoute="1" name="0"/>
    <arc begin="1" end="2" isPushBackRoute="0" name="A"/>
    <arc begin="2" end="7" isPushBackRoute="0"/>
  </TaxiWaySegments>
</groundnet>
)";

TEST(GroundNetFile, ReadsParkingsNodesAndArcs) {
    GroundNetwork network;
    GroundNetCounts counts;
    ASSERT_TRUE(ReadGroundNet(kSmallNet, network, counts));
    EXPECT_EQ(network.ParkingCount(), 1u);
    EXPECT_EQ(network.NodeCount(), 2u);
    EXPECT_EQ(network.ArcCount(), 3u);
    EXPECT_EQ(counts.malformed, 1);
    EXPECT_EQ(counts.dropped, 1);
    const ParkingSpot* parking = network.ParkingAt(21 + 19.725 / 60, -(157 + 54.858 / 60));
    ASSERT_NE(parking, nullptr);
    EXPECT_EQ(parking->heading, 359.4);
    EXPECT_EQ(parking->radius, 33);
    // Half way between the nodes, 10 m north of the arc: on it, heading east.
    const auto snap = network.Snap(21 + 19.7 / 60 + 10 / 111000.0, -(157 + 54.808 / 60), 80);
    ASSERT_TRUE(snap.has_value());
    EXPECT_NEAR(snap->distance, 10, 0.5);
    EXPECT_NEAR(snap->heading, 90, 0.1);
}

TEST(GroundNetFile, RefusesWhatIsNoGroundNetwork) {
    GroundNetwork network;
    GroundNetCounts counts;
    EXPECT_FALSE(
        ReadGroundNet("<PropertyList><node index=\"1\"/></PropertyList>", network, counts));
    EXPECT_FALSE(ReadGroundNet("<groundnet><node index=\"1\" lat=\"N1 0\"", network, counts));
    EXPECT_FALSE(ReadGroundNet("<groundnet><!-- <arc begin=\"1\"/>", network, counts));
    EXPECT_EQ(network.ArcCount(), 0u);
}

TEST(GroundNetFile, Coordinates) {
    struct Case {
        const char* text;
        bool latitude;
        bool valid;
        double degrees;
    };
    const Case cases[] = {
        {"N21 19.725", true, true, 21.32875},
        {"S33 56.5", true, true, -33.941666667},
        {"W157 54.858", false, true, -157.9143},
        {"E8 34.0", false, true, 8.566666667},
        {"-157.9143", false, true, -157.9143},
        {"N91 0.0", true, false, 0},
        {"W181 0.0", false, false, 0},
        {"N21 60.0", true, false, 0},
        {"N21 -1.0", true, false, 0},
        {"E21 10.0", true, false, 0},
        {"N21", true, false, 0},
        {"N21.5 10.0", true, false, 0},
        {"", true, false, 0},
        {"N21 nan", true, false, 0},
        {"W157 54.858 extra", false, false, 0},
    };
    for (const Case& c : cases) {
        double degrees = 0;
        ASSERT_EQ(ReadGroundNetCoordinate(c.text, c.latitude, degrees), c.valid) << c.text;
        if (c.valid) {
            EXPECT_NEAR(degrees, c.degrees, 1e-6) << c.text;
        }
    }
}

// FlightGear's own network for Honolulu, as Debian installs it.
TEST(GroundNetFile, HonoluluAsFlightGearHasIt) {
    const fs::path scenery = fs::path(CORVANE_FG_ROOT) / "Scenery";
    if (!fs::exists(scenery / "Airports" / "P" / "H" / "N" / "PHNL.groundnet.xml")) {
        GTEST_SKIP() << "FlightGear's scenery is not installed";
    }
    GroundNetworks networks({scenery.string()});
    const GroundNetwork* honolulu = networks.Of("PHNL");
    ASSERT_NE(honolulu, nullptr);
    EXPECT_EQ(honolulu->ParkingCount(), 76u);
    EXPECT_EQ(honolulu->NodeCount(), 627u);
    EXPECT_EQ(honolulu->ArcCount(), 1533u);
    EXPECT_EQ(networks.Of("PHNL"), honolulu); // read once
    EXPECT_EQ(networks.Read(), 1);
    // Gate G7 of the file's first parking.
    const ParkingSpot* g7 = honolulu->ParkingAt(21 + 19.725 / 60, -(157 + 54.858 / 60));
    ASSERT_NE(g7, nullptr);
    EXPECT_EQ(g7->heading, 0.2);
}

class GroundNetworksTest : public TempDirectoryTest {};

// The first scenery folder that has the airport's file wins; an airport without one, a code
// that could name no file and a file that is no network give none.
TEST_F(GroundNetworksTest, FromTheFirstSceneryFolderThatHasOne) {
    for (const char* folder :
         {"first/Airports/P/H/N", "second/Airports/P/H/N", "second/Airports/B/I/K"}) {
        fs::create_directories(directory / folder);
    }
    WriteBinary("first/Airports/P/H/N/PHNY.groundnet.xml", kSmallNet);
    WriteBinary("second/Airports/P/H/N/PHNY.groundnet.xml", "<PropertyList/>");
    WriteBinary("second/Airports/P/H/N/PHNG.groundnet.xml", kSmallNet);
    WriteBinary("second/Airports/B/I/K/BIKF.groundnet.xml", "<PropertyList/>");
    GroundNetworks networks({PathOf("first"), PathOf("second")});
    const GroundNetwork* phny = networks.Of("PHNY");
    ASSERT_NE(phny, nullptr);
    EXPECT_EQ(phny->ArcCount(), 3u);
    const GroundNetwork* phng = networks.Of("PHNG");
    ASSERT_NE(phng, nullptr);
    EXPECT_EQ(phng->ArcCount(), 3u);
    EXPECT_EQ(networks.Of("BIKF"), nullptr);
    EXPECT_EQ(networks.Of("EGLL"), nullptr);
    EXPECT_EQ(networks.Of("../P"), nullptr);
    EXPECT_EQ(networks.Of("PH"), nullptr);
    EXPECT_EQ(networks.Read(), 2);
    EXPECT_EQ(networks.Unreadable(), 1);
}

} // namespace
