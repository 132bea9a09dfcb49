#include "tools/trafficlog/convert/RecordingConverter.h"

#include "tools/trafficlog/tests/ConversionTestKit.h"
#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// 2024-06-01 12:00:00 UTC.
constexpr std::int64_t kNoon = 1717243200;

std::string Msg(int type, const char* hex, const char* clock, const std::string& rest,
                const char* date = "2024/06/01") {
    return "MSG," + std::to_string(type) + ",1,1," + hex + ",1," + date + "," + clock +
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

std::string Surface(const char* hex, const char* clock, const char* knots, const char* track,
                    const char* lat, const char* lon) {
    return Msg(2, hex, clock,
               std::string(",,") + knots + "," + track + "," + lat + "," + lon + ",,,,,,-1");
}

Conversion ConvertLog(const std::string& log, double stale = 15, bool keepGround = false) {
    ConvertOptions options;
    options.staleSeconds = stale;
    options.keepGround = keepGround;
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
                               "|51.47000|-0.45000|3048.0||90.0|128.61|-5.08\n"
                               "####_ENTRY_END_####\n"),
              std::string::npos)
        << result.data;
    EXPECT_NE(result.data.find("400AE7|400AE7|" + t20 + "|51.10000|-0.20000|914.4||||\n"),
              std::string::npos)
        << result.data;
    EXPECT_NE(result.data.find("####_ENTRY_2_####\n" + ryr + t30 +
                               "|51.48000|-0.44000|3078.5||90.0|128.61|-5.08\n"
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
    log += Position("CA1002B5", "12:00:17.000", "10000", "51.4", "-0.45");            // 15 address
    const Conversion result = ConvertLog(log);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.findings.badLines,
              (std::vector<std::int64_t>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 15}));
    // The message out of order does not move the aircraft back: entry 12:00:20 holds the
    // latest position.
    EXPECT_NE(result.data.find("4CA2B5|4CA2B5|" + std::to_string(kNoon + 20) +
                               "|51.51000|-0.39000|3383.3||||\n"),
              std::string::npos)
        << result.data;
    EXPECT_EQ(result.data.find("51.00000"), std::string::npos);
}

// Surface positions are ground traffic: kept with --keep-ground, without a height (an aircraft
// that lands loses its last altitude and its descent, one that takes off has its new altitude),
// ignored otherwise.
TEST(BaseStationConverter, SurfacePositionsAreGroundTrafficKeptWhenAsked) {
    const std::string log = Position("4CA2B5", "12:00:02.000", "500", "21.33", "-157.96") +
                            Velocity("4CA2B5", "12:00:02.500", "140", "80.0", "-700") +
                            Surface("4CA2B5", "12:00:12.000", "45", "80.0", "21.3251", "-157.94") +
                            Position("4CA2B5", "12:00:25.000", "300", "21.3260", "-157.90");
    const Conversion kept = ConvertLog(log, 15, true);
    ASSERT_TRUE(kept.ok);
    EXPECT_TRUE(kept.findings.bad.empty());
    const std::string t10 = std::to_string(kNoon + 10), t20 = std::to_string(kNoon + 20),
                      t30 = std::to_string(kNoon + 30);
    for (const std::string& line :
         {"4CA2B5|4CA2B5|" + t10 + "|21.33000|-157.96000|152.4||80.0|72.02|-3.56\n",
          "4CA2B5|4CA2B5|" + t20 + "|21.32510|-157.94000|||80.0|23.15|\n",
          "4CA2B5|4CA2B5|" + t30 + "|21.32600|-157.90000|91.4||80.0|23.15|\n"}) {
        EXPECT_NE(kept.data.find(line), std::string::npos) << line << kept.data;
    }
    const Conversion dropped = ConvertLog(log);
    ASSERT_TRUE(dropped.ok);
    EXPECT_EQ(dropped.data.find("21.32510"), std::string::npos) << dropped.data;
    EXPECT_EQ(dropped.counts.ignored, 1);
}

TEST(BaseStationConverter, PassesOverQuietStretches) {
    const std::string log = Position("4CA2B5", "12:00:02.000", "10000", "51.47", "-0.45") +
                            Position("4CA2B5", "13:00:02.000", "10000", "51.47", "-0.45");
    const Conversion result = ConvertLog(log);
    ASSERT_TRUE(result.ok);
    EXPECT_LE(result.counts.entries, 4);
}

// The entries of a data file from its begin tag on, as a log's conversion writes them.
std::string Entries(const Conversion& result) {
    const std::size_t begin = result.data.find("####_BEGIN_####\n");
    return begin == std::string::npos ? result.data : result.data.substr(begin);
}

// "12:MM:SS.000" for the seconds after noon (under an hour).
std::string Clock(int seconds) {
    const auto two = [](int value) {
        return std::string(value < 10 ? "0" : "") + std::to_string(value);
    };
    return "12:" + two(seconds / 60) + ":" + two(seconds % 60) + ".000";
}

// Each entry holds the aircraft as the messages up to its time left them: a message after the
// entry's time neither hides the aircraft from it nor moves it.
TEST(BaseStationConverter, EachEntryHoldsTheLatestPositionUpToItsTime) {
    const std::string log = Position("4CA2B5", "12:00:00.000", "10000", "51.00", "-0.40") +
                            Position("4CA2B5", "12:00:05.000", "10000", "51.05", "-0.40") +
                            Position("4CA2B5", "12:00:11.000", "10000", "51.11", "-0.40") +
                            Position("4CA2B5", "12:00:15.000", "10000", "51.15", "-0.40");
    const Conversion result = ConvertLog(log);
    ASSERT_TRUE(result.ok);
    const std::string t = std::to_string(kNoon);
    EXPECT_EQ(Entries(result), "####_BEGIN_####\n"
                               "####_ENTRY_0_####\n"
                               "4CA2B5|4CA2B5|1717243200|51.00000|-0.40000|3048.0||||\n"
                               "####_ENTRY_END_####\n"
                               "####_ENTRY_1_####\n"
                               "4CA2B5|4CA2B5|1717243210|51.05000|-0.40000|3048.0||||\n"
                               "####_ENTRY_END_####\n"
                               "####_ENTRY_2_####\n"
                               "4CA2B5|4CA2B5|1717243220|51.15000|-0.40000|3048.0||||\n"
                               "####_ENTRY_END_####\n"
                               "####_END_####\n");
    EXPECT_EQ(result.counts.written, 3);

    // A minute at one message a second: seven entries, 12:00:00 to 12:01:00, each with it.
    std::string minute;
    for (int second = 0; second < 60; ++second) {
        minute += Position("4CA2B5", Clock(second).c_str(), "10000", "51.00", "-0.40");
    }
    const Conversion steady = ConvertLog(minute);
    ASSERT_TRUE(steady.ok);
    EXPECT_EQ(steady.counts.entries, 7);
    EXPECT_EQ(steady.counts.written, 7);
}

// A message whose date steps away from the log's clock is a bad row with its line; it never
// moves the entries' clock and the messages after it convert.
TEST(BaseStationConverter, ClockStepsAreBadRowsAndTheRestConverts) {
    const auto minuteWith = [](int at, const std::string& odd) {
        std::string log;
        for (int second = 0; second < 60; ++second) {
            log += second == at
                       ? odd
                       : Position("4CA2B5", Clock(second).c_str(), "10000", "51.00", "-0.40");
        }
        return log;
    };
    const struct {
        const char* name;
        std::string odd;
        const char* reason;
    } cases[] = {
        {"beyond 2038",
         Msg(3, "4CA2B5", "12:00:30.000", ",10000,,,51,-0.4,,,0,0,0,0", "2099/01/01"),
         "time 4070952030 is beyond what a data file holds"},
        {"a year ahead",
         Msg(3, "4CA2B5", "12:00:30.000", ",10000,,,51,-0.4,,,0,0,0,0", "2025/06/01"),
         "is 31536001 s ahead of the log's clock (1717243229) and the messages after it do not "
         "follow it"},
        {"a day back", Msg(3, "4CA2B5", "12:00:30.000", ",10000,,,51,-0.4,,,0,0,0,0", "2024/05/31"),
         "is 86399 s behind the log's clock (1717243229)"},
    };
    for (const auto& [name, odd, reason] : cases) {
        const Conversion result = ConvertLog(minuteWith(30, odd));
        ASSERT_TRUE(result.ok) << name;
        ASSERT_EQ(result.findings.badLines, (std::vector<std::int64_t>{31})) << name;
        EXPECT_NE(result.findings.reasons[0].find(reason), std::string::npos)
            << name << ": " << result.findings.reasons[0];
        EXPECT_EQ(result.counts.entries, 7) << name;
        EXPECT_EQ(result.counts.written, 7) << name;
        EXPECT_EQ(Entries(result).find("2099"), std::string::npos);
    }

    // A date that does not advance at midnight: every message after it is a bad row.
    std::string midnight = Msg(3, "4CA2B5", "23:59:50.000", ",10000,,,51,-0.4,,,0,0,0,0") +
                           Msg(3, "4CA2B5", "23:59:59.000", ",10000,,,51,-0.4,,,0,0,0,0") +
                           Msg(3, "4CA2B5", "00:00:08.000", ",10000,,,51,-0.4,,,0,0,0,0") +
                           Msg(3, "4CA2B5", "00:00:09.000", ",10000,,,51,-0.4,,,0,0,0,0");
    const Conversion stuck = ConvertLog(midnight);
    ASSERT_TRUE(stuck.ok);
    EXPECT_EQ(stuck.findings.badLines, (std::vector<std::int64_t>{3, 4}));
    EXPECT_EQ(stuck.counts.badRows, 2);

    // A receiver off for an hour: the messages after the gap follow each other, so the clock
    // moves; a lone message after a gap that nothing follows does not move it.
    const std::string gap = Position("4CA2B5", "12:00:02.000", "10000", "51.00", "-0.40") +
                            Position("4CA2B5", "13:00:02.000", "10000", "51.10", "-0.40") +
                            Position("4CA2B5", "13:00:03.000", "10000", "51.20", "-0.40");
    const Conversion resumed = ConvertLog(gap);
    ASSERT_TRUE(resumed.ok);
    EXPECT_TRUE(resumed.findings.bad.empty()) << resumed.findings.bad[0];
    EXPECT_NE(resumed.data.find("|" + std::to_string(kNoon + 3610) + "|51.20000|"),
              std::string::npos)
        << resumed.data;
    const Conversion lone = ConvertLog(gap.substr(0, gap.rfind("MSG")));
    ASSERT_TRUE(lone.ok);
    EXPECT_EQ(lone.findings.badLines, (std::vector<std::int64_t>{2}));
    EXPECT_EQ(lone.data.find("51.10000"), std::string::npos);
}

// Values no aircraft flies are bad rows rather than cut to fit a field or written as they are;
// a track beyond a full turn is the direction it names.
TEST(BaseStationConverter, ValuesNoAircraftFliesAreBadRows) {
    const struct {
        std::string message;
        const char* reason; // empty: used
    } cases[] = {
        {Position("4CA2B5", "12:00:01.000", "1e20", "51", "-0.4"),
         "altitude 3.048e+19 m is outside the heights aircraft fly (-1500 to 60000 m)"},
        {Position("4CA2B5", "12:00:01.000", "-5000", "51", "-0.4"), "altitude -1524 m"},
        {Velocity("4CA2B5", "12:00:01.000", "1e308", "90", "0"),
         "ground speed 5.14444e+307 m/s is beyond what an aircraft flies (2000 kt)"},
        {Velocity("4CA2B5", "12:00:01.000", "2001", "90", "0"), "ground speed 1029.4"},
        {Velocity("4CA2B5", "12:00:01.000", "100", "90", "-30001"),
         "vertical rate -152.41 m/s is beyond what an aircraft climbs or descends"},
        {Velocity("4CA2B5", "12:00:01.000", "1999.99", "-270", "30000"), ""},
    };
    for (const auto& [message, reason] : cases) {
        const std::string log = Position("4CA2B5", "12:00:00.000", "10000", "51.00", "-0.40") +
                                message +
                                Position("4CA2B5", "12:00:02.000", "10000", "51.00", "-0.40");
        const Conversion result = ConvertLog(log);
        ASSERT_TRUE(result.ok) << message;
        if (*reason == '\0') {
            EXPECT_TRUE(result.findings.bad.empty()) << result.findings.bad[0];
            EXPECT_NE(result.data.find("|3048.0||90.0|1028.88|152.40\n"), std::string::npos)
                << result.data;
            continue;
        }
        ASSERT_EQ(result.findings.badLines, (std::vector<std::int64_t>{2})) << message;
        EXPECT_NE(result.findings.reasons[0].find(reason), std::string::npos)
            << result.findings.reasons[0];
        EXPECT_EQ(result.counts.written, 2); // the entries at 12:00:00 and 12:00:10
    }
}

// A track a hair west of north, as a decoder's rounding writes it, is written as north: not as a
// full turn (360.0), which no track field holds, nor as "-0.0".
TEST(BaseStationConverter, ATrackAHairWestOfNorthIsNorth) {
    for (const char* track : {"-0.00000000000000000000000000000004", "-0"}) {
        const std::string log = Position("4CA2B5", "12:00:00.000", "10000", "51.00", "-0.40") +
                                Velocity("4CA2B5", "12:00:01.000", "100", track, "0") +
                                Position("4CA2B5", "12:00:02.000", "10000", "51.00", "-0.40");
        const Conversion result = ConvertLog(log);
        ASSERT_TRUE(result.ok) << track;
        EXPECT_TRUE(result.findings.bad.empty()) << track;
        EXPECT_NE(result.data.find("|3048.0||0.0|51.44|0.00\n"), std::string::npos) << track << "\n"
                                                                                    << result.data;
    }
}

} // namespace
