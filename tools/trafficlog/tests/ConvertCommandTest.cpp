#include "tools/trafficlog/convert/ConvertCommand.h"

#include "tools/trafficlog/tests/TrafficLogRun.h"
#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include "tests/support/LoopbackServer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace {

const char kHeader[] = "time,icao24,lat,lon,velocity,heading,vertrate,callsign,onground,alert,"
                       "spi,squawk,baroaltitude,geoaltitude,lastposupdate,lastcontact\n";

std::string Row(int time, const char* icao) {
    const std::string t = std::to_string(time);
    return t + "," + icao +
           ",50.1,0.2,120.5,91.2,-3.25,RYR1,False,False,False,7000,3048.0,3100.0," + t + "," + t +
           "\n";
}

// Eleven rows of which eight go back in time: refused, never a success with rows dropped.
TEST(ConvertCommand, RefusesAnUnsortedInputWithoutWritingAnything) {
    std::string csv = kHeader;
    for (const int time : {1000, 1010, 1020, 1000, 1010, 1000, 1010, 1020, 1000, 1010, 1000}) {
        csv += Row(time, "4ca2b5");
    }
    TempFile input(".csv");
    input.Write(csv);
    TempFile output(".dat");
    const Outcome run = Trafficlog({"convert", input.Path(), output.Path()});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("not sorted by time"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(output.Path()));
}

TEST(ConvertCommand, LeavesOutAnInputThatGoesBackInTime) {
    TempFile first(".csv"), second(".csv"), output(".dat");
    first.Write(kHeader + Row(1000, "4ca2b5") + Row(1010, "4ca2b5"));
    second.Write(kHeader + Row(900, "4ca2b6"));
    const Outcome run = Trafficlog({"convert", first.Path(), second.Path(), output.Path()});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("starts at time 900"), std::string::npos) << run.err;
    EXPECT_NE(output.Read().find("RYR1|4ca2b5|1010|"), std::string::npos);
    EXPECT_EQ(output.Read().find("4ca2b6"), std::string::npos);
}

TEST(ConvertCommand, WarnsWhenTheInputIsNotTenSecondsApart) {
    std::string csv = kHeader;
    for (int time = 1000; time < 1020; ++time) {
        csv += Row(time, "4ca2b5");
    }
    TempFile input(".csv"), output(".dat");
    input.Write(csv);
    const Outcome run = Trafficlog({"convert", input.Path(), output.Path()});
    EXPECT_EQ(run.code, 0);
    EXPECT_NE(run.err.find("mostly 1 s apart, not 10 s"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("plays 10 times too slowly"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("20 rows, 20 aircraft lines in 20 entries; dropped: none"),
              std::string::npos)
        << run.out;
}

TEST(ConvertCommand, ReadsStandardInput) {
    TempFile input(".csv.gz"), output(".dat");
    input.Write(GzipBytes(kHeader + Row(1000, "4ca2b5")));
    ASSERT_NE(std::freopen(input.Path(), "rb", stdin), nullptr);
    const Outcome run = Trafficlog({"convert", "-", output.Path()});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(output.Read().find("RYR1|4ca2b5|1000|"), std::string::npos);
}

// The command line's choice of threads reaches the conversion, which writes the same either way.
TEST(ConvertCommand, WritesTheSameOnOneThreadAndOnTwo) {
    std::string csv = kHeader;
    for (int time = 1000; time < 1000 + 10 * 400; time += 10) {
        for (const char* icao : {"4ca2b5", "3c6444", "400f01", "zz"}) {
            csv += Row(time, icao);
        }
    }
    TempFile input(".csv.gz"), one(".dat"), two(".dat");
    input.Write(GzipBytes(csv));
    const Outcome single = Trafficlog({"convert", "--threads", "1", input.Path(), one.Path()});
    const Outcome pair = Trafficlog({"convert", "--threads=2", input.Path(), two.Path()});
    EXPECT_EQ(single.code, 0) << single.err;
    EXPECT_EQ(pair.code, single.code);
    EXPECT_EQ(pair.err, single.err);
    EXPECT_NE(single.err.find("icao24 \"zz\" is not hexadecimal"), std::string::npos);
    EXPECT_EQ(two.Read(), one.Read());
    EXPECT_NE(one.Read().find("####_ENTRY_399_#"), std::string::npos);
}

TEST(ConvertCommand, RefusesAnEmptyInput) {
    TempFile empty(".csv.gz"), output(".dat");
    empty.Write(GzipBytes(""));
    const Outcome run = Trafficlog({"convert", empty.Path(), output.Path()});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("the input is empty"), std::string::npos) << run.err;
}

// After "--" a file whose name starts with a dash is an input like any other.
TEST(ConvertCommand, TakesFilesNamedLikeOptionsAfterADoubleDash) {
    const TempFile folder("");
    std::filesystem::create_directory(folder.Path());
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    { std::ofstream("-recording.csv", std::ios::binary) << kHeader << Row(1000, "4ca2b5"); }
    const Outcome refused = Trafficlog({"convert", "-recording.csv", "out.dat"});
    const Outcome run = Trafficlog({"convert", "--", "-recording.csv", "out.dat"});
    const bool written = std::filesystem::exists("out.dat");
    std::filesystem::current_path(before);
    std::filesystem::remove_all(folder.Path());
    EXPECT_EQ(refused.code, 2);
    EXPECT_EQ(refused.err,
              "trafficlog: unknown option '-recording.csv'\nTry 'trafficlog --help'.\n");
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(written);
}

// One limit for every listing: bad rows beyond --max-report are counted, not shown.
TEST(ConvertCommand, ListsBadRowsUpToTheLimit) {
    TempFile input(".csv"), output(".dat");
    input.Write(kHeader + Row(1000, "nothex1") + Row(1000, "nothex2") + Row(1000, "nothex3") +
                Row(1000, "4ca2b5"));
    const Outcome run = Trafficlog({"convert", "--max-report=1", input.Path(), output.Path()});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(
        run.err.find(":2: bad row: icao24 \"nothex1\" is not hexadecimal of at most 6 digits\n"),
        std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("nothex2"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("trafficlog: 2 more bad rows not listed (--max-report 0 lists all)\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find(": 4 rows, 1 aircraft line in 1 entry; dropped: 3 bad\n"),
              std::string::npos)
        << run.out;
}

// The names the user gave reach the terminal masked, like any text from outside.
TEST(ConvertCommand, ShowsTheInputsNameMasked) {
    const Outcome run = Trafficlog({"convert", "/nonexistent-folder/\x1b[2Jx.csv", "out.dat"});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("/nonexistent-folder/?[2Jx.csv"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err;
}

// A short recording against a receiver of the test's own: the command's own path from the
// options to the closed file.
TEST(RecordCommand, RecordsAFeedForItsDurationAndClosesTheFile) {
    LoopbackServer server;
    server.Serve({"MSG,3,1,1,4CA2B5,1,2024/06/01,12:00:00.000,2024/06/01,12:00:00.000,,35000,,,"
                  "51.47,-0.45,,,0,0,0,0\r\n"},
                 true);
    TempFile output(".dat");
    const std::string feed = "127.0.0.1:" + std::to_string(server.Port());
    const std::string sbs = "--sbs=" + feed;
    const Outcome run =
        Trafficlog({"record", sbs.c_str(), "--out", output.Path(), "--duration", "1"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, std::string(output.Path()) + ": recording closed\n");
    EXPECT_NE(run.err.find("trafficlog: " + feed + ": "), std::string::npos) << run.err;
    const std::string data = output.Read();
    EXPECT_EQ(data.rfind("Recorded from the BaseStation feed " + feed + "\n", 0), 0u) << data;
    EXPECT_NE(data.find("####_END_####\n"), std::string::npos) << data;
}

// Nothing listening, off a terminal: each failed try is a line of its own with its back-off,
// the command ends with exit code 1, and the recording that holds nothing is gone, so that the
// next record to the same name goes ahead.
TEST(RecordCommand, SaysItCannotConnectAndLeavesNoEmptyFile) {
    std::uint16_t freePort = 0;
    {
        LoopbackServer closed;
        freePort = closed.Port();
    }
    TempFile output(".dat");
    const std::string feed = "127.0.0.1:" + std::to_string(freePort);
    const std::string sbs = "--sbs=" + feed;
    const Outcome refused =
        Trafficlog({"record", sbs.c_str(), "--out", output.Path(), "--duration", "2"});
    EXPECT_EQ(refused.code, 1) << refused.err;
    EXPECT_EQ(refused.out, "");
    // The first line says why (the system's words) and when the next try comes.
    const std::string first = refused.err.substr(0, refused.err.find('\n') + 1);
    EXPECT_EQ(first.rfind("trafficlog: cannot connect to " + feed + ": ", 0), 0u) << first;
    EXPECT_NE(first.find("refused"), std::string::npos) << first;
    EXPECT_NE(first.find("; trying again in 1 s\n"), std::string::npos) << first;
    EXPECT_NE(refused.err.find("nothing recorded"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(output.Path()));

    LoopbackServer server;
    server.Serve({"MSG,3,1,1,4CA2B5,1,2024/06/01,12:00:00.000,2024/06/01,12:00:00.000,,35000,,,"
                  "51.47,-0.45,,,0,0,0,0\r\n"},
                 true);
    const std::string live = "--sbs=127.0.0.1:" + std::to_string(server.Port());
    const Outcome recorded =
        Trafficlog({"record", live.c_str(), "--out", output.Path(), "--duration", "1"});
    EXPECT_EQ(recorded.code, 0) << recorded.err;
}

struct Misuse {
    const char* name;
    std::vector<const char*> args;
    const char* says;
};

void PrintTo(const Misuse& value, std::ostream* out) {
    *out << value.name;
}

class Misuses : public testing::TestWithParam<Misuse> {};

// Convert and record speak as every other command: one line naming what is wrong, the
// pointer to the help, exit code 2.
TEST_P(Misuses, SayWhatIsWrongWithExitCode2) {
    const Outcome run = Trafficlog(GetParam().args);
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.err,
              std::string("trafficlog: ") + GetParam().says + "\nTry 'trafficlog --help'.\n");
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Misuses,
    testing::Values(
        Misuse{"one_file", {"convert", "in.csv"}, "convert needs an INPUT and a DATA_FILE"},
        Misuse{"around_radius",
               {"convert", "--around", "51,0,-5", "a", "b"},
               "--around '51,0,-5' has radius -5, out of range (0 to 10807.3)"},
        Misuse{"around_radius_zero",
               {"convert", "--around", "0,0,0", "a", "b"},
               "--around '0,0,0' has radius 0: nothing lies within it"},
        Misuse{"around_radius_beyond_the_globe",
               {"convert", "--around", "0,0,1e9", "a", "b"},
               "--around '0,0,1e9' has radius 1e+09, out of range (0 to 10807.3)"},
        Misuse{"around_latitude",
               {"convert", "--around", "91,0,5", "a", "b"},
               "--around '91,0,5' has latitude 91, out of range (-90 to 90)"},
        Misuse{"around_two_numbers",
               {"convert", "--around=51,0", "a", "b"},
               "--around '51,0' is not LAT,LON,RADIUS_NM"},
        Misuse{"around_nan",
               {"convert", "--around", "nan,0,5", "a", "b"},
               "--around 'nan,0,5' is not LAT,LON,RADIUS_NM"},
        Misuse{"box_upside_down",
               {"convert", "--box", "52,0,51,1", "a", "b"},
               "--box '52,0,51,1' has its south edge north of its north edge"},
        Misuse{"box_longitude",
               {"convert", "--box", "0,181,1,2", "a", "b"},
               "--box '0,181,1,2' has west 181, out of range (-180 to 180)"},
        Misuse{"box_three_numbers",
               {"convert", "--box=1,2,3", "a", "b"},
               "--box '1,2,3' is not S,W,N,E in degrees"},
        Misuse{"from_date",
               {"convert", "--from", "2022-13-01", "a", "b"},
               "--from '2022-13-01' is not a UTC time: seconds since 1970 or "
               "2022-06-27T12:00:00Z"},
        // strtoll saturates: a time beyond 64 bits must not become the largest one.
        Misuse{"from_beyond_64_bits",
               {"convert", "--from", "99999999999999999999", "a", "b"},
               "--from '99999999999999999999' is not a UTC time: seconds since 1970 or "
               "2022-06-27T12:00:00Z"},
        Misuse{"window_reversed",
               {"convert", "--from", "2000", "--to", "1000", "a", "b"},
               "--to 1000 lies before --from 2000"},
        Misuse{"output_dash",
               {"convert", "a", "-"},
               "convert needs a name for its DATA_FILE ('-' reads standard input)"},
        Misuse{"unknown", {"convert", "--frobnicate", "a", "b"}, "unknown option '--frobnicate'"},
        Misuse{"stale_not_a_number",
               {"convert", "--stale=abc", "a", "b"},
               "--stale 'abc' is not a number"},
        Misuse{"stale_beyond_a_day",
               {"convert", "--stale", "86401", "a", "b"},
               "--stale '86401' is out of range (0 to 86400)"},
        Misuse{"keep_ground_with_value",
               {"convert", "--keep-ground=yes", "a", "b"},
               "--keep-ground takes no value"},
        Misuse{"max_report_negative",
               {"convert", "--max-report", "-1", "a", "b"},
               "--max-report '-1' is out of range (0 to 9223372036854775807)"},
        Misuse{"three_threads",
               {"convert", "--threads", "3", "a", "b"},
               "--threads '3' is out of range (1 to 2)"},
        Misuse{"record_without_feed", {"record", "--out", "x.dat"}, "record needs --sbs HOST:PORT"},
        Misuse{"record_without_out", {"record", "--sbs", "h:1"}, "record needs --out FILE"},
        Misuse{"record_bad_port",
               {"record", "--sbs", "localhost:99999", "--out", "x"},
               "--sbs 'localhost:99999' has a port out of range (1 to 65535)"},
        Misuse{"record_no_port",
               {"record", "--sbs", "localhost", "--out", "x"},
               "--sbs 'localhost' is not HOST:PORT, e.g. localhost:30003"},
        Misuse{"record_host_with_controls",
               {"record", "--sbs", "\x1b]0;x\a:30003", "--out", "x"},
               "--sbs '?]0;x?:30003' has a control character in its host name"},
        Misuse{"record_duration",
               {"record", "--sbs", "h:1", "--out", "x", "--duration", "0"},
               "--duration '0' is out of range (1 to 31622400)"},
        Misuse{"record_stale",
               {"record", "--sbs", "h:1", "--out", "x", "--stale", "3601"},
               "--stale '3601' is out of range (0 to 3600)"},
        Misuse{"record_operand",
               {"record", "--sbs", "h:1", "--out", "x", "extra"},
               "unexpected argument 'extra'"},
        Misuse{"record_unknown", {"record", "--max-report", "5"}, "unknown option '--max-report'"}),
    [](const testing::TestParamInfo<Misuse>& info) { return std::string(info.param.name); });

} // namespace
