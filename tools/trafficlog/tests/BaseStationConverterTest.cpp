#include "tools/trafficlog/RecordingConverter.h"

#include "tools/trafficlog/tests/ConversionTestKit.h"
#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// 2024-06-01 12:00:00 UTC.
constexpr std::int64_t kNoon = 1717243200;

std::string Msg(int type, const char* hex, const char* clock, const std::string& rest) {
    return "MSG," + std::to_string(type) + ",1,1," + hex + ",1,2024/06/01," + clock +
           ",2024/06/01," + clock + "," + rest + "\n";
}
std::string Callsign(const char* hex, const char* clock, const char* callsign) {
    return Msg(1, hex, clock, std::string(callsign) + ",,,,,,,,,,0");
}
std::string Position(const char* hex, const char* clock, const char* feet, const char* lat,
                     const char* lon) {
    return Msg(3, hex, clock, std::string(",") + feet + ",,," + lat + "," + lon + ",,,0,0,0,0");
}
std::string Velocity(const char* hex, const char* clock, const char* knots, const char* track,
                     const char* fpm) {
    return Msg(4, hex, clock, std::string(",,") + knots + "," + track + ",,," + fpm + ",,0,0,0,0");
}

Conversion ConvertLog(const std::string& log, double stale = 15) {
    ConvertOptions options;
    options.staleSeconds = stale;
    return ConvertBytes(GzipBytes(log), ".sbs", options);
}

TEST(BaseStationConverter, WritesOneEntryPerTenSecondsInTheOpenSkyUnits) {
    const std::string log = Callsign("4CA2B5", "12:00:01.000", "RYR12AB ") +
                            Position("4CA2B5", "12:00:02.500", "10000", "51.47", "-0.45") +
                            Velocity("4CA2B5", "12:00:03.000", "250", "90.0", "-1000") +
                            "MSG,8,1,1,4CA2B5,1,2024/06/01,12:00:04.000,,,,,,,,,,,,,,0\n" +
                            "STA,,5,179,400AE7,10103,2024/06/01,12:00:05.0,,,RM\n" +
                            Position("400AE7", "12:00:12.000", "3000", "51.10", "-0.20") +
                            Position("4CA2B5", "12:00:25.000", "10100", "51.48", "-0.44");
    const Conversion result = ConvertLog(log);
    ASSERT_TRUE(result.ok) << (result.findings.bad.empty() ? "" : result.findings.bad[0]);
    EXPECT_TRUE(result.findings.bad.empty());
    // Entries at 12:00:10, :20 and :30; at :30 the position of 400AE7 is 18 s old.
    const std::string t10 = std::to_string(kNoon + 10), t20 = std::to_string(kNoon + 20),
                      t30 = std::to_string(kNoon + 30);
    const std::string ryr = "RYR12AB|4CA2B5|";
    EXPECT_NE(result.data.find("####_ENTRY_0_####\n" + ryr + t10 +
                               "|51.47000|-0.45000|3048.0|3048.0|90.0|128.61|-5.08\n"
                               "####_ENTRY_END_####\n"),
              std::string::npos)
        << result.data;
    EXPECT_NE(result.data.find("400AE7|400AE7|" + t20 + "|51.10000|-0.20000|914.4|914.4|||\n"),
              std::string::npos)
        << result.data;
    EXPECT_NE(result.data.find("####_ENTRY_2_####\n" + ryr + t30 +
                               "|51.48000|-0.44000|3078.5|3078.5|90.0|128.61|-5.08\n"
                               "####_ENTRY_END_####\n####_END_####\n"),
              std::string::npos)
        << result.data;
    EXPECT_EQ(result.counts.entries, 3);
    EXPECT_EQ(result.counts.ignored, 2);
}

// What a receiver's log can hold on a bad day: short lines, numbers that are none, a message
// out of order, a line of 10 MB, a callsign that holds a tag; each bad line is reported with its
// number and the rest of the log still converts.
TEST(BaseStationConverter, ConvertsAHostileLog) {
    std::string log = Position("4CA2B5", "12:00:02.000", "10000", "51.47", "-0.45");  // 1
    log += "MSG,3,1,1,4CA2B5\n";                                                      // 2 short
    log += "MSG\n";                                                                   // 3 short
    log += Position("4CA2B5", "12:00:03.000", "10000", "north", "-0.45");             // 4 bad
    log += Position("4CA2B5", "12:00:03.000", "1e999", "51.4", "-0.45");              // 5 bad
    log += Position("4CA2B5", "12:00:03.000", "10000", "95", "-0.45");                // 6 range
    log += Position("ZZZZZZ", "12:00:03.000", "10000", "51.4", "-0.45");              // 7 address
    log += "MSG,3,1,1,4CA2B5,1,2024/13/01,12:00:03.000,,,,1,,,51.4,-0.4,,,0,0,0,0\n"; // 8 date
    log += std::string(10 * 1024 * 1024, 'M') + "\n";                                 // 9 long
    log += Callsign("4CA2B5", "12:00:04.000", "####_END_####");                       // 10 tag
    log += "hello, world\n";                                                          // 11 none
    log += Position("4CA2B5", "12:00:15.000", "11000", "51.50", "-0.40");             // 12
    log += Position("4CA2B5", "12:00:05.000", "9000", "51.00", "-0.10");              // 13 late
    log += Position("4CA2B5", "12:00:16.000", "11100", "51.51", "-0.39");             // 14
    const Conversion result = ConvertLog(log);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.findings.badLines,
              (std::vector<std::int64_t>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
    // The message out of order does not move the aircraft back: entry 12:00:20 holds the
    // latest position.
    EXPECT_NE(result.data.find("4CA2B5|4CA2B5|" + std::to_string(kNoon + 20) +
                               "|51.51000|-0.39000|3383.3|3383.3|||\n"),
              std::string::npos)
        << result.data;
    EXPECT_EQ(result.data.find("51.00000"), std::string::npos);
}

TEST(BaseStationConverter, PassesOverQuietStretches) {
    const std::string log = Position("4CA2B5", "12:00:02.000", "10000", "51.47", "-0.45") +
                            Position("4CA2B5", "13:00:02.000", "10000", "51.47", "-0.45");
    const Conversion result = ConvertLog(log);
    ASSERT_TRUE(result.ok);
    EXPECT_LE(result.counts.entries, 4);
}

} // namespace
