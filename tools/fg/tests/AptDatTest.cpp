#include "tools/fg/scenery/AptDat.h"
#include "tools/fg/scenery/ThresholdFiles.h"

#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <zlib.h>

namespace {

// Honolulu as FlightGear's file has it, among rows of the kinds the reader passes over, with a
// heliport, a seaplane base and rows that are broken in the ways a hand-edited file breaks.
const std::string kAptDat =
    "I\r\n"
    "1000 Version - data cycle 2013.10, " +
    std::string(900, 'x') +
    "\r\n"
    "\n"
    "1       13 1 1 PHNL Honolulu Intl\n"
    "100   45.72   1   0 0.25 0 2 1 08L  21.32524700 -157.94323300    0.00  304.80 3  7 0 0 "
    "26R  21.32524400 -157.90709400    0.00  199.64 3  0 0 1\n"
    "100   60.96   1   0 0.25 0 2 1 08R  21.30680300 -157.94585000    0.00  213.36 3  1 0 1 "
    "26L  21.30680000 -157.91059700    0.00  213.36 3  6 0 0\n"
    "21   21.31973989 -157.92204098  2  52.84   3.00 04L PAPI-4L\n"
    "10   21.33365200 -157.92103700 xxx   9.00  2965 0.0 0.0  4638 101101  2 0 0 0.25 0\n"
    "111  21.33001 -157.93002\n"
    "1302 city Honolulu\n"
    // a runway whose second end lies beyond the pole
    "100   45.72   1   0 0.25 0 2 1 04R  21.31391700 -157.92713600    0.00   60.96 3  7 0 1 "
    "22L  91.32882200 -157.90601100    0.00   65.53 3  0 0 1\n"
    // a runway row cut short
    "100   45.72   1   0 0.25 0 2 1 04L  21.31833100 -157.92331900\n"
    "17   100 0 0 H2OH Hospital Heliport\n"
    "102 H1   21.30054480 -157.85031284  90.08   20.12   20.12   1 0   0 0.00 0\n"
    "16   0 0 0 W01 Seaplane Base\n"
    "101   30.48 0 19   21.29 -157.80 01   21.30 -157.81\n"
    // an airport row without its code, and the runway under it
    "1   abc 0 0\n"
    "100   45.72   1   0 0.25 0 2 1 09  21.0 -157.0 0.00 0 3 0 0 0 27  21.0 -156.9 0.00 0 3 0 0 0\n"
    "1 5355 0 0 PAPA Papa Field\n"
    "100 30 1 0 0.25 0 2 1 09 21.5 -157.5 150.00 0 3 0 0 0 27 21.5 -157.45 0.00 0 3 0 0 0\n"
    "99";

class AptDatTest : public TempDirectoryTest {
protected:
    AirportIndex index;
    AptDatCounts counts;
    std::string error;
};

TEST_F(AptDatTest, ReadsAirportsRunwaysAndPlacesSkippingWhatIsBroken) {
    ASSERT_TRUE(ReadAptDat(WriteBinary("apt.dat", kAptDat), index, counts, error)) << error;
    EXPECT_EQ(counts.malformed, 3); // the runway beyond the pole, the one cut short, the airport
    ASSERT_EQ(index.AirportCount(), 4u);
    EXPECT_EQ(index.RunwayCount(), 3u);
    const Airport* phnl = index.Nearest(21.32, -157.92, 5000);
    ASSERT_NE(phnl, nullptr);
    EXPECT_STREQ(phnl->code, "PHNL");
    EXPECT_EQ(phnl->kind, AirportKind::Land);
    EXPECT_NEAR(phnl->elevation, 3.9624, 1e-4);
    ASSERT_EQ(index.RunwaysOf(*phnl).size(), 2u);
    const Runway& runway = index.RunwaysOf(*phnl)[1];
    EXPECT_STREQ(runway.ends[0].name, "08R");
    EXPECT_STREQ(runway.ends[1].name, "26L");
    EXPECT_FLOAT_EQ(runway.width, 60.96f);
    EXPECT_DOUBLE_EQ(runway.ends[1].longitude, -157.91059700);
    EXPECT_STREQ(index.Nearest(21.3005, -157.8503, 500)->code, "H2OH");
    EXPECT_EQ(index.Nearest(21.3005, -157.8503, 500)->kind, AirportKind::Heliport);
    EXPECT_STREQ(index.Nearest(21.29, -157.80, 500)->code, "W01");
    const Airport* papa = index.Nearest(21.5, -157.47, 5000);
    ASSERT_NE(papa, nullptr);
    EXPECT_STREQ(papa->code, "PAPA");
    EXPECT_FLOAT_EQ(index.RunwaysOf(*papa)[0].ends[0].displacedThreshold, 150.0f);
    EXPECT_NEAR(papa->elevation, 5355 * 0.3048, 1e-3);
}

TEST_F(AptDatTest, GzipCompressedAsFlightGearShipsIt) {
    gzFile file = gzopen(PathOf("apt.dat.gz").c_str(), "wb");
    gzwrite(file, kAptDat.data(), static_cast<unsigned>(kAptDat.size()));
    gzclose(file);
    ASSERT_TRUE(ReadAptDat(PathOf("apt.dat.gz"), index, counts, error)) << error;
    EXPECT_EQ(index.AirportCount(), 4u);
    EXPECT_EQ(counts.malformed, 3);
}

TEST_F(AptDatTest, AFileThatCannotBeReadSaysSo) {
    EXPECT_FALSE(ReadAptDat(PathOf("missing.dat.gz"), index, counts, error));
    EXPECT_EQ(error, "cannot open FlightGear's airport data " + PathOf("missing.dat.gz") + ": " +
                         std::strerror(ENOENT));
    // A gzip stream broken in the middle is a read that fails, not a short file.
    gzFile file = gzopen(PathOf("broken.gz").c_str(), "wb");
    const std::string big(1 << 20, 'a');
    gzwrite(file, big.data(), static_cast<unsigned>(big.size()));
    gzclose(file);
    std::filesystem::resize_file(PathOf("broken.gz"), 600);
    EXPECT_FALSE(ReadAptDat(PathOf("broken.gz"), index, counts, error));
    EXPECT_EQ(error, "cannot read FlightGear's airport data " + PathOf("broken.gz") +
                         ": the gzip data ends early: the file is cut short");
}

// FlightGear 2020.3's own file, as Debian installs it with flightgear-data-base.
TEST_F(AptDatTest, FlightGearsWholeFile) {
    const std::string path = CORVANE_FG_ROOT "/Airports/apt.dat.gz";
    ASSERT_TRUE(ReadAptDat(path, index, counts, error)) << error;
    EXPECT_EQ(index.AirportCount(), 34074u);
    EXPECT_EQ(index.RunwayCount(), 33721u);
    EXPECT_EQ(counts.malformed, 0);
    const struct {
        const char* code;
        double latitude;
        double longitude;
        double elevationFeet;
    } fields[] = {{"PHNL", 21.3187, -157.9225, 13},
                  {"EGLL", 51.4706, -0.4619, 83},
                  {"KSFO", 37.6189, -122.3750, 13},
                  {"BIKF", 63.9850, -22.6056, 170}};
    for (const auto& f : fields) {
        SCOPED_TRACE(f.code);
        const Airport* airport = index.Nearest(f.latitude, f.longitude, 3000);
        ASSERT_NE(airport, nullptr);
        EXPECT_STREQ(airport->code, f.code);
        EXPECT_NEAR(airport->elevation, f.elevationFeet * 0.3048, 0.01);
    }
}

const char kThresholds[] = R"(<?xml version='1.0' encoding='ISO-8859-1'?>
<PropertyList>
  <!-- <threshold><rwy>26R</rwy></threshold> -->
  <runway>
    <threshold>
      <lon>-157.943000</lon>
      <lat>21.325200</lat>
      <rwy>08L</rwy>
      <hdg-deg>89.99</hdg-deg>
      <displ-m>100.0</displ-m>
      <stopw-m>304.8</stopw-m>
    </threshold>
    <threshold>
      <lon>-157.907094</lon>
      <lat>21.325244</lat>
      <rwy>26X</rwy>
    </threshold>
  </runway>
</PropertyList>
)";

TEST_F(AptDatTest, SceneryThresholdsOverTheAirportData) {
    ASSERT_TRUE(ReadAptDat(WriteBinary("apt.dat", kAptDat), index, counts, error)) << error;
    const std::filesystem::path folder = directory / "Airports" / "P" / "H" / "N";
    std::filesystem::create_directories(folder);
    WriteBinary("Airports/P/H/N/PHNL.threshold.xml", kThresholds);
    // Broken half way: none of its thresholds is taken.
    std::string broken = kThresholds;
    broken.replace(broken.find("21.325200"), 9, "north");
    WriteBinary("Airports/P/H/N/PAPA.threshold.xml", broken);
    WriteBinary("Airports/P/H/N/PHNL.groundnet.xml", "<PropertyList/>");
    const ThresholdCounts thresholds = ApplyThresholdFiles(PathOf("Airports"), index);
    EXPECT_EQ(thresholds.files, 2);
    EXPECT_EQ(thresholds.thresholds, 1); // 26X is no runway end of PHNL
    EXPECT_EQ(thresholds.malformed, 1);
    const Airport* phnl = index.Nearest(21.32, -157.92, 5000);
    const RunwayEnd& end = index.RunwaysOf(*phnl)[0].ends[0];
    EXPECT_DOUBLE_EQ(end.latitude, 21.3252);
    EXPECT_DOUBLE_EQ(end.longitude, -157.943);
    EXPECT_FLOAT_EQ(end.displacedThreshold, 100.0f);
    EXPECT_FALSE(ApplyThresholdFiles(PathOf("no such folder"), index).files);
}

// A width or a displaced threshold that no runway has (beyond what a float holds, or longer than
// any runway) is a broken row, not a runway of infinite measure.
TEST_F(AptDatTest, MeasuresBeyondAnyRunwayAreMalformed) {
    AptDatRows rows(index, counts);
    for (const char* line :
         {"1 13 0 0 WIDE Wide Field",
          "100 1e40 1 0 0.25 0 2 1 09 21.0 -157.0 0 0 3 0 0 0 27 21.0 -156.9 0 0 3 0 0 0",
          "100 45 1 0 0.25 0 2 1 09 21.0 -157.0 1e39 0 3 0 0 0 27 21.0 -156.9 0 0 3 0 0 0",
          "100 45 1 0 0.25 0 2 1 09 21.0 -157.0 0 0 3 0 0 0 27 21.0 -156.9 25000 0 3 0 0 0",
          "100 25000 1 0 0.25 0 2 1 09 21.0 -157.0 0 0 3 0 0 0 27 21.0 -156.9 0 0 3 0 0 0",
          "100 45 1 0 0.25 0 2 1 09 21.0 -157.0 3000 0 3 0 0 0 27 21.0 -156.9 0 0 3 0 0 0"}) {
        rows.Take(line);
    }
    EXPECT_EQ(counts.malformed, 4);
    ASSERT_EQ(index.RunwayCount(), 1u);
    EXPECT_FLOAT_EQ(index.RunwaysOf(index.Airports()[0])[0].ends[0].displacedThreshold, 3000.0f);

    int applied = 0;
    std::string far = kThresholds;
    far.replace(far.find("100.0"), 5, "1e39");
    EXPECT_FALSE(ApplyThresholdText(far, "WIDE", index, applied));
    EXPECT_EQ(applied, 0);
}

// A comment inside a tag is no XML: dropping it must not make a threshold of "<thre" and "shold>"
// (found by fuzzing), and the file is refused as FlightGear's reader refuses it. One in an
// element's text is XML and goes. A threshold inside another is refused too.
TEST_F(AptDatTest, ACommentInsideATagIsABrokenThresholdFile) {
    ASSERT_TRUE(ReadAptDat(WriteBinary("apt.dat", kAptDat), index, counts, error)) << error;
    std::string split = kThresholds;
    split.replace(split.find("<threshold>", split.find("<runway>")), 11, "<thre<!-- -->shold>");
    int applied = 0;
    EXPECT_FALSE(ApplyThresholdText(split, "PHNL", index, applied));
    EXPECT_EQ(applied, 0);
    std::string nested = kThresholds;
    nested.replace(nested.find("<rwy>08L"), 0, "<threshold><rwy>08R</rwy></threshold>");
    EXPECT_FALSE(ApplyThresholdText(nested, "PHNL", index, applied));
    EXPECT_EQ(applied, 0);
    std::string inText = kThresholds;
    inText.replace(inText.find("21.325200"), 9, "21.32<!-- surveyed 2019 -->5200");
    EXPECT_TRUE(ApplyThresholdText(inText, "PHNL", index, applied));
    EXPECT_EQ(applied, 1);
    EXPECT_DOUBLE_EQ(index.RunwaysOf(*index.Nearest(21.32, -157.92, 5000))[0].ends[0].latitude,
                     21.3252);
}

// A runway end named by a NUL byte would have no name in the index: the row is broken.
TEST_F(AptDatTest, ARunwayEndNamedByANulByteIsMalformed) {
    AptDatRows rows(index, counts);
    using namespace std::string_literals;
    rows.Take("1 13 0 0 NULL Nul Field");
    rows.Take("100 45 1 0 0.25 0 2 1 \0 21.0 -157.0 0 0 3 0 0 0 27 21.0 -156.9 0 0 3 0 0 0"s);
    rows.Take("100 45 1 0 0.25 0 2 1 09 21.0 -157.0 0 0 3 0 0 0 2\0 21.0 -156.9 0 0 3 0 0 0"s);
    EXPECT_EQ(counts.malformed, 2);
    EXPECT_EQ(index.RunwayCount(), 0u);
}

} // namespace
