#include "tools/trafficlog/ConvertCommand.h"
#include "tools/trafficlog/RecordCommand.h"

#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

using Command = int (*)(int, const char* const*, const TrafficLogConsole&);

Outcome Start(Command command, const std::vector<const char*>& words) {
    const TempFile out(".out");
    const TempFile err(".err");
    std::FILE* outFile = std::fopen(out.Path(), "wb");
    std::FILE* errFile = std::fopen(err.Path(), "wb");
    const int code =
        command(static_cast<int>(words.size()), words.data(), {outFile, errFile, false});
    std::fclose(outFile);
    std::fclose(errFile);
    return {code, out.Read(), err.Read()};
}

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
    const Outcome run = Start(RunConvert, {input.Path(), output.Path()});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("not sorted by time"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(output.Path()));
}

TEST(ConvertCommand, LeavesOutAnInputThatGoesBackInTime) {
    TempFile first(".csv"), second(".csv"), output(".dat");
    first.Write(kHeader + Row(1000, "4ca2b5") + Row(1010, "4ca2b5"));
    second.Write(kHeader + Row(900, "4ca2b6"));
    const Outcome run = Start(RunConvert, {first.Path(), second.Path(), output.Path()});
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
    const Outcome run = Start(RunConvert, {input.Path(), output.Path()});
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
    const Outcome run = Start(RunConvert, {"-", output.Path()});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(output.Read().find("RYR1|4ca2b5|1000|"), std::string::npos);
}

TEST(ConvertCommand, RefusesAnEmptyInput) {
    TempFile empty(".csv.gz"), output(".dat");
    empty.Write(GzipBytes(""));
    const Outcome run = Start(RunConvert, {empty.Path(), output.Path()});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("the input is empty"), std::string::npos) << run.err;
}

struct Misuse {
    const char* name;
    Command command;
    std::vector<const char*> words;
    const char* says;
};

void PrintTo(const Misuse& value, std::ostream* out) {
    *out << value.name;
}

class Misuses : public testing::TestWithParam<Misuse> {};

TEST_P(Misuses, SayWhatIsWrongWithExitCode2) {
    const Outcome run = Start(GetParam().command, GetParam().words);
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find(GetParam().says), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Try 'trafficlog --help'."), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Misuses,
    testing::Values(
        Misuse{"one_file", RunConvert, {"in.csv"}, "needs at least one input"},
        Misuse{"around_radius", RunConvert, {"--around", "51,0,-5", "a", "b"}, "radius"},
        Misuse{"around_latitude", RunConvert, {"--around", "91,0,5", "a", "b"}, "out of range"},
        Misuse{"box_upside_down", RunConvert, {"--box", "52,0,51,1", "a", "b"}, "lies north"},
        Misuse{"from_date", RunConvert, {"--from", "2022-13-01", "a", "b"}, "--from takes"},
        Misuse{"window_reversed",
               RunConvert,
               {"--from", "2000", "--to", "1000", "a", "b"},
               "--to lies before --from"},
        Misuse{"output_dash", RunConvert, {"a", "-"}, "needs a name"},
        Misuse{"unknown", RunConvert, {"--frobnicate", "a", "b"}, "unknown option"},
        Misuse{"record_without_feed", RunRecord, {"--out", "x.dat"}, "needs --sbs"},
        Misuse{"record_bad_port", RunRecord, {"--sbs", "localhost:99999", "--out", "x"}, "--sbs"},
        Misuse{"record_duration",
               RunRecord,
               {"--sbs", "h:1", "--out", "x", "--duration", "0"},
               "--duration"}),
    [](const testing::TestParamInfo<Misuse>& info) { return std::string(info.param.name); });

} // namespace
