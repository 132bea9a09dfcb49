#include "tools/trafficlog/convert/RecordingConverter.h"

#include "tools/trafficlog/tests/ConversionTestKit.h"
#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {
const char kHeader[] = "time,icao24,lat,lon,velocity,heading,vertrate,callsign,onground,alert,"
                       "spi,squawk,baroaltitude,geoaltitude,lastposupdate,lastcontact\n";

std::string Row(const char* time, const char* icao, const char* lat, const char* lon,
                const char* callsign, const char* lastContact) {
    return std::string(time) + "," + icao + "," + lat + "," + lon + ",120.5,91.2,-3.25," +
           callsign + ",False,False,False,7000,3048.0,3100.0," + lastContact + "," + lastContact +
           "\n";
}

Conversion Convert(const std::string& csv) {
    return ConvertBytes(csv, ".csv");
}

TEST(OpenSkyConverter, MakesOneEntryPerTimeWithFieldsInFileOrder) {
    const std::string csv = std::string(kHeader) +
                            Row("1000", "4ca2b5", "50.1", "0.2", "RYR12AB ", "999.5") +
                            Row("1000", "400abc", "50.3", "-0.1", "", "1000") +
                            Row("1010", "4ca2b5", "50.2", "0.3", "RYR12AB ", "1009");
    const Conversion result = Convert(csv);
    ASSERT_TRUE(result.ok);
    EXPECT_NE(result.data.find("####_ENTRY_0_####\n"
                               "RYR12AB|4ca2b5|1000|50.1|0.2|3048.0|3100.0|91.2|120.5|-3.25\n"
                               "400abc|400abc|1000|50.3|-0.1|3048.0|3100.0|91.2|120.5|-3.25\n"
                               "####_ENTRY_END_####\n####_ENTRY_1_####\n"
                               "RYR12AB|4ca2b5|1010|50.2|0.3|3048.0|3100.0|91.2|120.5|-3.25\n"
                               "####_ENTRY_END_####\n####_END_####\n"),
              std::string::npos)
        << result.data;
    EXPECT_EQ(result.counts.entries, 2);
    EXPECT_EQ(result.counts.written, 3);
    EXPECT_EQ(result.findings.lastBytes, static_cast<std::int64_t>(csv.size()));
}

TEST(OpenSkyConverter, DropsStaleAndPositionlessRowsAndReportsBadOnes) {
    const std::string csv = std::string(kHeader) +                                // line 1
                            Row("1000", "4ca2b5", "50.1", "0.2", "A", "985") +    // 2: 15 s, kept
                            Row("1000", "4ca2b6", "50.1", "0.2", "B", "984.9") +  // 3: stale
                            Row("1000", "4ca2b7", "", "", "C", "1000") +          // 4: no position
                            Row("1000", "4ca2b8", "50.1", "", "D", "1000") +      // 5: no position
                            "1000,4ca2b9,50.1\n" +                                // 6: bad
                            Row("1000", "4ca2zz", "50.1", "0.2", "E", "1000") +   // 7: bad address
                            Row("1000", "4ca2ba", "north", "0.2", "F", "1000") +  // 8: bad latitude
                            Row("10x0", "4ca2bb", "50.1", "0.2", "G", "1000") +   // 9: bad time
                            Row("1000", "4ca2bc", "50.1", "0.2", "H|I", "1000") + // 10: separator
                            "\n" +                                                // 11: blank
                            Row("1010", "4ca2bd", "95.0", "0.2", "J", "1010") +   // 12: range
                            Row("1010", "4ca2be", "50.1", "0.2", "K", "1010");    // 13: kept
    const Conversion result = Convert(csv);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.findings.badLines, (std::vector<std::int64_t>{6, 7, 8, 9, 10, 12}));
    EXPECT_EQ(result.counts.rows, 11); // the blank line is no row
    EXPECT_EQ(result.counts.written, 2);
    EXPECT_EQ(result.counts.stale, 1);
    EXPECT_EQ(result.counts.noPosition, 2);
    EXPECT_EQ(result.counts.badRows, 6);
    EXPECT_EQ(result.counts.entries, 2);
    // Every row is accounted for.
    EXPECT_EQ(result.counts.rows, result.counts.written + result.counts.stale +
                                      result.counts.noPosition + result.counts.badRows);

    // A row that goes back in time cannot be placed: the conversion is refused, not passed
    // with the row dropped.
    const Conversion backwards = Convert(csv + Row("1000", "4ca2bf", "50.1", "0.2", "L", "1000"));
    EXPECT_FALSE(backwards.ok);
    EXPECT_EQ(backwards.findings.badLines.back(), 14);
    EXPECT_NE(backwards.findings.reasons.back().find("not sorted by time"), std::string::npos);
}

TEST(OpenSkyConverter, FindsColumnsByNameInAnyOrder) {
    const std::string csv = "icao24,time,lastcontact,callsign,lat,lon,baroaltitude,geoaltitude,"
                            "heading,velocity,vertrate\n"
                            "abc123,1000,1000,DLH4,50.5,0.5,1000,1010,180,90,0\n";
    const Conversion result = Convert(csv);
    ASSERT_TRUE(result.ok);
    EXPECT_NE(result.data.find("DLH4|abc123|1000|50.5|0.5|1000|1010|180|90|0\n"),
              std::string::npos);
}

TEST(OpenSkyConverter, RefusesAHeaderWithoutAColumn) {
    const Conversion result = Convert("time,icao24,lat,lon\n1000,abc123,50,0\n");
    EXPECT_FALSE(result.ok);
}

// Values the feeder's client would move an aircraft by off the Earth, and times the data file
// cannot hold, are bad rows with their reasons; the edges of what aircraft fly are kept.
TEST(OpenSkyConverter, ValuesNoAircraftHasAreBadRows) {
    const std::string head = "time,icao24,lat,lon,velocity,vertrate,baroaltitude,geoaltitude,"
                             "callsign,heading,lastcontact\n";
    const struct {
        const char* row;
        const char* reason; // empty: kept
    } cases[] = {
        {"1000,4ca2b5,50,0,1e308,0,1000,1000,A,90,", "velocity 1e+308 m/s is beyond what an "
                                                     "aircraft flies (2000 kt)"},
        {"1000,4ca2b5,50,0,-1029,0,1000,1000,A,90,", "velocity -1029 m/s"},
        {"1000,4ca2b5,50,0,100,1e308,1000,1000,A,90,",
         "vertrate 1e+308 m/s is beyond what an "
         "aircraft climbs or descends (30000 ft/min)"},
        {"1000,4ca2b5,50,0,100,-152.5,1000,1000,A,90,", "vertrate -152.5"},
        {"1000,4ca2b5,50,0,100,0,1e308,1000,A,90,", "baroaltitude 1e+308 m is outside the heights "
                                                    "aircraft fly (-1500 to 60000 m)"},
        {"1000,4ca2b5,50,0,100,0,1000,-1e7,A,90,", "geoaltitude -1e+07 m"},
        {"2147483648,4ca2b5,50,0,100,0,1000,1000,A,90,",
         "time 2147483648 is beyond what a data file "
         "holds (2147483647, in 2038)"},
        {"1000,4ca2b5,50,0,1028.8,-152.4,60000,-1500,A,90,", ""},
        {"1000,4ca2b5,50,0,,,,,A,90,", ""},
        // An ICAO address has 24 bits: eight digits would reach the feeder as a negative number.
        {"1000,ca1002b5,50,0,,,,,A,90,",
         "icao24 \"ca1002b5\" is not hexadecimal of at most 6 digits"},
        {"1000,ffffff,50,0,,,,,A,90,", ""},
    };
    for (const auto& [row, reason] : cases) {
        const Conversion result = Convert(head + "1000,4ca2b6,50,0,,,,,B,90,\n" + row + "\n");
        ASSERT_TRUE(result.ok) << row;
        if (*reason == '\0') {
            EXPECT_TRUE(result.findings.bad.empty()) << row << ": " << result.findings.bad[0];
            EXPECT_EQ(result.counts.written, 2) << row;
            continue;
        }
        ASSERT_EQ(result.findings.bad.size(), 1u) << row;
        EXPECT_NE(result.findings.bad[0].find(std::string(":3: ") + reason), std::string::npos)
            << result.findings.bad[0];
        EXPECT_EQ(result.counts.written, 1) << row;
    }
}

// The archives write every number at a double's full precision. Values that are only compared
// are taken from their integer part where that settles the comparison: where it does not, the
// decision is the one the exact value makes, down to the last digit.
TEST(OpenSkyConverter, DecidesFullPrecisionValuesAsTheirExactValue) {
    const std::string head = "time,icao24,lat,lon,velocity,vertrate,baroaltitude,geoaltitude,"
                             "callsign,heading,lastcontact\n";
    const struct {
        const char* row;
        const char* reason; // empty: kept; "stale": dropped as stale
    } cases[] = {
        // Ten seconds short of the 15 s limit by less than a double can tell: exactly 15.
        {"1000,4ca2b5,50,0,,,,,A,90,984.99999999999999", ""},
        {"1000,4ca2b5,50,0,,,,,A,90,984.9999999999", "stale"},
        {"1000,4ca2b5,50,0,,,,,A,90,985.00000000000001", ""},
        {"1000,4ca2b5,50,0,,,,,A,90,1984.9999999999999", ""},
        {"1000,4ca2b5,50,0,1028.88,,,,A,90,", ""},
        {"1000,4ca2b5,50,0,1028.89,,,,A,90,", "velocity 1028.89 m/s"},
        {"1000,4ca2b5,50,0,-1028.89,,,,A,90,", "velocity -1028.89 m/s"},
        {"1000,4ca2b5,50,0,,152.39999999999999,,,A,90,", ""},
        {"1000,4ca2b5,50,0,,-152.40000001,,,A,90,", "vertrate -152.4"},
        {"1000,4ca2b5,50,0,,,60000.000000000001,,A,90,", ""},
        {"1000,4ca2b5,50,0,,,60000.00000001,,A,90,", "baroaltitude 60000 m"},
        {"1000,4ca2b5,50,0,,,,-1500.0000000000001,A,90,", ""},
        {"1000,4ca2b5,50,0,,,,-1500.00000001,A,90,", "geoaltitude -1500 m"},
        {"1000,4ca2b5,50,0,,,,+3.0482e3,A,90,", ""},
        {"1000,4ca2b5,50,0,,,,6.00001e4,A,90,", "geoaltitude 60000.1 m"},
        {"1000,4ca2b5,90.000000000000001,0,,,,,A,90,", ""},
        {"1000,4ca2b5,-90.00000000001,0,,,,,A,90,", "position out of range"},
        {"1000,4ca2b5,50,180.00000000000001,,,,,A,90,", ""},
        {"1000,4ca2b5,50,0,,,,,A,359.99999999999994.5,", "heading \"359.99999999999994.5\""},
    };
    for (const auto& [row, reason] : cases) {
        const Conversion result = Convert(head + "1000,4ca2b6,50,0,,,,,B,90,\n" + row + "\n");
        ASSERT_TRUE(result.ok) << row;
        if (*reason == '\0' || std::string(reason) == "stale") {
            EXPECT_TRUE(result.findings.bad.empty()) << row << ": " << result.findings.bad[0];
            EXPECT_EQ(result.counts.written, *reason == '\0' ? 2 : 1) << row;
            EXPECT_EQ(result.counts.stale, *reason == '\0' ? 0 : 1) << row;
            continue;
        }
        ASSERT_EQ(result.findings.bad.size(), 1u) << row;
        EXPECT_NE(result.findings.bad[0].find(std::string(":3: ") + reason), std::string::npos)
            << result.findings.bad[0];
        EXPECT_EQ(result.counts.written, 1) << row;
    }
    // What is kept is written as it was read, every digit.
    const Conversion kept =
        Convert(head + "1000,4ca2b5,50.123456789012345,-0.12345678901234567,152.39999999999999,"
                       "-4.5523200000000001,11277.6,11323.320000000001,A,359.99999999999994,"
                       "984.99999999999999\n");
    EXPECT_NE(kept.data.find("A|4ca2b5|1000|50.123456789012345|-0.12345678901234567|11277.6|"
                             "11323.320000000001|359.99999999999994|152.39999999999999|"
                             "-4.5523200000000001\n"),
              std::string::npos)
        << kept.data;
}

TEST(OpenSkyConverter, KeepsEachEntryWithinWhatTheFeederReads) {
    std::string csv = kHeader;
    for (int i = 0; i < 7001; ++i) {
        csv += Row("1000", "4ca2b5", "50.1", "0.2", "A", "1000");
    }
    const Conversion result = Convert(csv);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.counts.written, 6999);
    EXPECT_EQ(result.counts.leftOut, 2);
    EXPECT_EQ(result.findings.fullLines, (std::vector<std::int64_t>{7001}));
}

// A full disk ends the conversion at the first line that cannot be written, an entry's tags as
// much as an aircraft line. The output's first write fails at the same byte in every run; the
// length of the input's name, written into the header, shifts the rows across it by one row's
// length in all, so that the failure lands on every kind of line, and every run stops within a
// row of the others.
TEST(OpenSkyConverter, StopsAtTheFirstLineItCannotWrite) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "needs /dev/full";
    }
    constexpr int kRows = 2000;
    const std::size_t rowOutput =
        std::string("####_ENTRY_END_####\n####_ENTRY_1000_####\n"
                    "A|4ca2b5|1000|50.1|0.2|3048.0|3100.0|91.2|120.5|-3.25\n")
            .size();
    std::string csv = kHeader;
    for (int i = 0; i < kRows; ++i) {
        const std::string time = std::to_string(1000 + i);
        csv += Row(time.c_str(), "4ca2b5", "50.1", "0.2", "A", time.c_str());
    }
    std::int64_t fewest = kRows, most = 0;
    for (std::size_t shift = 0; shift < rowOutput; ++shift) {
        TempFile input((std::string(shift, 'x') + ".csv").c_str());
        input.Write(csv);
        ConvertOptions options;
        options.inputs = {input.Path()};
        options.output = "/dev/full";
        RecordingConverter converter;
        ConvertFindings sink;
        EXPECT_FALSE(converter.Convert(options, sink));
        fewest = std::min(fewest, converter.Counts().rows);
        most = std::max(most, converter.Counts().rows);
    }
    EXPECT_LE(most - fewest, 1) << "rows read: " << fewest << " to " << most;
}
} // namespace
