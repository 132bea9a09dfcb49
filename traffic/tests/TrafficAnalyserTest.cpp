#include "traffic/TrafficAnalyser.h"

#include "tests/support/CaseNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t kPublicationRecords = 150;

std::string AircraftLine(const std::string& callsign, double latitude, double longitude) {
    return callsign + "|4CA2B5|1609459200|" + std::to_string(latitude) + "|" +
           std::to_string(longitude) + "|3000.5|3100.25|270.0|250.5|-5.5\n";
}

class TrafficAnalyserTest : public testing::Test {
protected:
    std::int32_t Parse(std::string line) { return analyser.ParseTrafficLine(line.data()); }

    std::vector<AircraftRecord> TakeAll() {
        std::vector<AircraftRecord> records(kPublicationRecords);
        const std::int32_t count = analyser.GetAircraftInView(kPublicationRecords, records.data());
        records.resize(static_cast<std::size_t>(count));
        return records;
    }

    ViewBox Box() const {
        ViewBox box{};
        analyser.GetViewBox(box);
        return box;
    }

    TrafficAnalyser analyser;
};

TEST_F(TrafficAnalyserTest, DefaultPositionGivesBoxAroundFiftyNorth) {
    const ViewBox box = Box();
    EXPECT_DOUBLE_EQ(box.topLatitude, 140.6);
    EXPECT_DOUBLE_EQ(box.leftLongitude, 179.4);
    EXPECT_DOUBLE_EQ(box.bottomLatitude, 139.4);
    EXPECT_DOUBLE_EQ(box.rightLongitude, 180.6);
    EXPECT_EQ(analyser.GetInViewCount(), 0);
}

TEST_F(TrafficAnalyserTest, BoundsAsComputedInShiftedDegreesBelongToTheBox) {
    analyser.SetOwnShipPosition(51.47, -0.45);
    const ViewBox box = Box();
    struct Corner {
        double latitude;
        double longitude;
    };
    const Corner corners[] = {{box.topLatitude - 90, box.leftLongitude - 180},
                              {box.bottomLatitude - 90, box.rightLongitude - 180},
                              {box.topLatitude - 90, box.rightLongitude - 180},
                              {box.bottomLatitude - 90, box.leftLongitude - 180}};
    for (const Corner& corner : corners) {
        // Only a value that shifts back onto the bound exactly is a test of the bound.
        ASSERT_TRUE(corner.latitude + 90 == box.topLatitude ||
                    corner.latitude + 90 == box.bottomLatitude);
        ASSERT_TRUE(corner.longitude + 180 == box.leftLongitude ||
                    corner.longitude + 180 == box.rightLongitude);
        EXPECT_TRUE(analyser.IsInView(corner.latitude, corner.longitude));
    }
    constexpr double kOutside = 1e-9;
    EXPECT_FALSE(analyser.IsInView(box.topLatitude - 90 + kOutside, -0.45));
    EXPECT_FALSE(analyser.IsInView(box.bottomLatitude - 90 - kOutside, -0.45));
    EXPECT_FALSE(analyser.IsInView(51.47, box.leftLongitude - 180 - kOutside));
    EXPECT_FALSE(analyser.IsInView(51.47, box.rightLongitude - 180 + kOutside));
}

TEST_F(TrafficAnalyserTest, BoxIsCutAtThePole) {
    analyser.SetOwnShipPosition(89.7, 10.0);
    const ViewBox box = Box();
    EXPECT_EQ(box.topLatitude, 180.0);
    EXPECT_NEAR(box.bottomLatitude - 90, 89.1, 1e-9);
    EXPECT_TRUE(analyser.IsInView(90.0, 10.0));
    // Beyond the pole counts as the pole.
    EXPECT_TRUE(analyser.IsInView(95.0, 10.0));
    EXPECT_FALSE(analyser.IsInView(89.0, 10.0));

    analyser.SetOwnShipPosition(-120.0, 10.0);
    EXPECT_EQ(Box().bottomLatitude, 0.0);
    EXPECT_TRUE(analyser.IsInView(-90.0, 10.0));
}

// Beyond its range a number counts as the pole or the meridian. What is no number by the file's
// grammar (nan, inf, hexadecimal) or lies beyond the range of a double reads 0, as an empty field
// does: no record field is ever infinite or NaN.
TEST_F(TrafficAnalyserTest, FieldsThatAreNoFiniteNumberReadZero) {
    analyser.SetOwnShipPosition(89.7, 179.8);
    const char* const farFromZero[] = {"nan|0",    "inf|179.9", "-nan|179.9",
                                       "89.9|inf", "89.9|nan",  "1e400|179.9"};
    for (const char* position : farFromZero) {
        std::string line = std::string("NONUM|4ca2b5|0|") + position + "|0|0|0|0|0\n";
        EXPECT_EQ(analyser.ParseTrafficLine(line.data()), 0) << position;
    }
    std::string farNorth = "POLE|4ca2b5|0|1e300|179.9|0|0|0|0|0\n";
    EXPECT_EQ(analyser.ParseTrafficLine(farNorth.data()), 1);
    analyser.ClearAircraft();

    analyser.SetOwnShipPosition(50.0, 0.0);
    std::string line = "ABC|4CA2B5|100|50.1|0.1|nan|inf|infinity|0x1A|1e999\n";
    ASSERT_EQ(analyser.ParseTrafficLine(line.data()), 1);
    std::string nowhere = "XYZ|4CA2B5|100|nan|-1e999|0|0|0|0|0\n";
    analyser.SetOwnShipPosition(0.0, 0.0);
    ASSERT_EQ(analyser.ParseTrafficLine(nowhere.data()), 2);
    AircraftRecord records[2] = {};
    ASSERT_EQ(analyser.GetAircraftInView(2, records), 2);
    const AircraftRecord& record = records[0];
    EXPECT_EQ(record.latitude, 50.1);
    EXPECT_EQ(record.longitude, 0.1);
    for (const double number : {record.baroAltitude, record.geoAltitude, record.track,
                                record.groundSpeed, record.verticalRate}) {
        EXPECT_EQ(number, 0.0);
    }
    EXPECT_EQ(records[1].latitude, 0.0); // at 0, 0, as an empty field places it
    EXPECT_EQ(records[1].longitude, 0.0);
}

TEST_F(TrafficAnalyserTest, BoxDoesNotWrapAtTheAntimeridian) {
    analyser.SetOwnShipPosition(0.0, 179.8);
    EXPECT_EQ(Box().rightLongitude, 360.0);
    EXPECT_TRUE(analyser.IsInView(0.0, 180.0));
    EXPECT_TRUE(analyser.IsInView(0.0, 185.0));
    EXPECT_TRUE(analyser.IsInView(0.0, 179.3));
    EXPECT_FALSE(analyser.IsInView(0.0, -179.9));

    analyser.SetOwnShipPosition(0.0, -179.8);
    EXPECT_EQ(Box().leftLongitude, 0.0);
    EXPECT_FALSE(analyser.IsInView(0.0, 179.9));
}

TEST_F(TrafficAnalyserTest, StoresFieldsInRecordOrder) {
    EXPECT_EQ(Parse("BAW123|4ca2b5|1609459200|50.1|0.2|3000.5|3100.25|270.0|250.5|-5.5\n"), 1);
    const std::vector<AircraftRecord> records = TakeAll();
    ASSERT_EQ(records.size(), 1u);
    const AircraftRecord& record = records[0];
    EXPECT_STREQ(record.callsign, "BAW123");
    EXPECT_EQ(record.icaoAddress, 0x4CA2B5);
    EXPECT_EQ(record.positionTime, 1609459200);
    EXPECT_EQ(record.latitude, 50.1);
    EXPECT_EQ(record.longitude, 0.2);
    EXPECT_EQ(record.baroAltitude, 3000.5);
    EXPECT_EQ(record.geoAltitude, 3100.25);
    EXPECT_EQ(record.track, 270.0);
    EXPECT_EQ(record.groundSpeed, 250.5);
    EXPECT_EQ(record.verticalRate, -5.5);
    EXPECT_EQ(record.onGround, 0);
    EXPECT_EQ(record.reserved[0] | record.reserved[1] | record.reserved[2], 0);
}

TEST_F(TrafficAnalyserTest, CallsignIsCutAfterEightCharacters) {
    Parse(AircraftLine("ABCDEFGHIJ", 50.0, 0.0));
    const std::vector<AircraftRecord> records = TakeAll();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_STREQ(records[0].callsign, "ABCDEFGH");
    for (int i = 8; i < 12; ++i) {
        EXPECT_EQ(records[0].callsign[i], 0) << "byte " << i;
    }
}

struct AddressCase {
    const char* field;
    std::int32_t expected;
};

class AddressFieldTest : public testing::TestWithParam<AddressCase> {};

TEST_P(AddressFieldTest, ReadsHexadecimal) {
    TrafficAnalyser analyser;
    std::string line = std::string("ABC|") + GetParam().field + "|0|50|0|0|0|0|0|0\n";
    analyser.ParseTrafficLine(line.data());
    AircraftRecord record{};
    ASSERT_EQ(analyser.GetAircraftInView(1, &record), 1);
    EXPECT_EQ(record.icaoAddress, GetParam().expected);
}

void PrintTo(const AddressCase& c, std::ostream* out) {
    *out << "'" << c.field << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Fields, AddressFieldTest,
    testing::Values(AddressCase{"4CA2B5", 0x4CA2B5}, AddressCase{"4ca2b5", 0x4CA2B5},
                    AddressCase{"0x4CA2B5", 0x4CA2B5}, AddressCase{"\"4CA2B5\"", 0x4CA2B5},
                    AddressCase{"\"0x4ca2b5\"", 0x4CA2B5}, AddressCase{"4CA2B5 ", -1},
                    AddressCase{"", 0}, AddressCase{"4CX2B5", -1}),
    NamedByPrint());

TEST_F(TrafficAnalyserTest, SixtyInViewKeepsTheFirstFortyNine) {
    for (int i = 0; i < 60; ++i) {
        EXPECT_EQ(Parse(AircraftLine("AC" + std::to_string(i), 50.0, 0.0)), std::min(i + 1, 49));
    }
    EXPECT_EQ(analyser.GetInViewCount(), kMaxInViewAircraft);
    const std::vector<AircraftRecord> records = TakeAll();
    ASSERT_EQ(records.size(), 49u);
    for (int i = 0; i < 49; ++i) {
        EXPECT_EQ(records[i].callsign, "AC" + std::to_string(i));
    }
    EXPECT_EQ(analyser.GetInViewCount(), 0);
}

TEST_F(TrafficAnalyserTest, OnlyAircraftInViewAreStored) {
    Parse(AircraftLine("NEAR", 50.2, 0.3));
    Parse(AircraftLine("FAR", 52.0, 0.3));
    Parse(AircraftLine("WEST", 50.2, -0.7));
    Parse("NOSEPARATOR\n");
    Parse("");
    const std::vector<AircraftRecord> records = TakeAll();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_STREQ(records[0].callsign, "NEAR");
}

TEST_F(TrafficAnalyserTest, GetAircraftInViewCopiesAtMostMaxAndEmptiesTheTable) {
    for (int i = 0; i < 30; ++i) {
        Parse(AircraftLine("AC" + std::to_string(i), 50.0, 0.0));
    }
    AircraftRecord records[10] = {};
    EXPECT_EQ(analyser.GetAircraftInView(10, records), 10);
    EXPECT_STREQ(records[9].callsign, "AC9");
    EXPECT_EQ(analyser.GetAircraftInView(10, records), 0);

    Parse(AircraftLine("AC", 50.0, 0.0));
    EXPECT_EQ(analyser.GetAircraftInView(-5, records), 0);
    EXPECT_EQ(analyser.GetInViewCount(), 0);
}

TEST_F(TrafficAnalyserTest, EmptyPositionFieldsPlaceTheAircraftAtZeroZero) {
    analyser.SetOwnShipPosition(0.0, 0.0);
    Parse("GHOST|4CA2B5|1609459200|||||||\n");
    Parse("FAR|4CA2B5|1609459200|50|0|||||\n");
    const std::vector<AircraftRecord> records = TakeAll();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_STREQ(records[0].callsign, "GHOST");
    EXPECT_EQ(records[0].latitude, 0.0);
    EXPECT_EQ(records[0].longitude, 0.0);
}

TEST_F(TrafficAnalyserTest, ShortLinesReadMissingFieldsAsEmpty) {
    analyser.SetOwnShipPosition(0.0, 0.0);
    Parse("TWO|4CA2B5");
    analyser.SetOwnShipPosition(50.0, 0.0);
    Parse("FIVE|4CA2B5|77|50.1|0.1");
    Parse("EIGHT|4CA2B5|77|50.1|0.1|1000|1100|90");
    const std::vector<AircraftRecord> records = TakeAll();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_STREQ(records[0].callsign, "TWO");
    EXPECT_EQ(records[0].icaoAddress, 0x4CA2B5);
    EXPECT_EQ(records[0].positionTime, 0);
    EXPECT_EQ(records[0].latitude, 0.0);
    EXPECT_EQ(records[1].positionTime, 77);
    EXPECT_EQ(records[1].latitude, 50.1);
    EXPECT_EQ(records[1].baroAltitude, 0.0);
    EXPECT_EQ(records[1].verticalRate, 0.0);
    EXPECT_EQ(records[2].track, 90.0);
    EXPECT_EQ(records[2].groundSpeed, 0.0);
    EXPECT_EQ(records[2].verticalRate, 0.0);
}

TEST_F(TrafficAnalyserTest, FieldsBeyondTheTenthChangeNothing) {
    std::string line = "XTRA|4CA2B5|1|50|0|1|2|3|4|5";
    for (int i = 0; i < 12; ++i) {
        line += "|9";
    }
    Parse(line + "\n");
    const std::vector<AircraftRecord> records = TakeAll();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].verticalRate, 5.0);
    EXPECT_EQ(records[0].groundSpeed, 4.0);
}

TEST_F(TrafficAnalyserTest, PositionTimeOutside32BitsSaturates) {
    Parse("LATE|4CA2B5|99999999999|50|0|0|0|0|0|0\n");
    Parse("EARLY|4CA2B5|-99999999999|50|0|0|0|0|0|0\n");
    const std::vector<AircraftRecord> records = TakeAll();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].positionTime, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(records[1].positionTime, std::numeric_limits<std::int32_t>::min());
}

} // namespace
