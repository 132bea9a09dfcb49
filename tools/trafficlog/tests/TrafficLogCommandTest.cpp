#include "config_control/CommandArguments.h"
#include "tests/support/CaseNames.h"
#include "text_functions/ControlMask.h"
#include "tools/trafficlog/tests/TrafficLogRun.h"
#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace {
bool Holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

const char kCleanFile[] = "header\n####_BEGIN_####\n####_ENTRY_0_####\n"
                          "BAW1|400001|1000|50.40|0.10|3000|3050|90|120|0\n"
                          "####_ENTRY_END_####\n####_END_####\n";

TEST(TrafficLogCommand, CheckExitCodeTellsACleanFile) {
    TempFile clean(".dat");
    clean.Write(kCleanFile);
    TempFile faulty(".dat");
    faulty.Write(std::string(kCleanFile).substr(0, sizeof kCleanFile - 15)); // no end tag
    EXPECT_EQ(Trafficlog({"check", clean.Path()}).code, 0);
    const Outcome run = Trafficlog({"check", faulty.Path()});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.out.find(":6: missing end tag:"), std::string::npos) << run.out;
}

// 0 clean, 1 findings, 2 a file that cannot be read: a script can tell the three apart.
TEST(TrafficLogCommand, CheckOfAFileItCannotReadIsNeitherCleanNorFaulty) {
    const Outcome run = Trafficlog({"check", "/nonexistent-folder/x.dat"});
    EXPECT_EQ(run.code, 2);
    // The error text's lines arrive joined: one labelled line.
    EXPECT_EQ(run.err, "trafficlog: FileByteSource::Open / No such file or directory / "
                       "/nonexistent-folder/x.dat\n");
}

TEST(TrafficLogCommand, CheckSummaryCountsInWordsAndFindingsSayItOnce) {
    TempFile file(".dat");
    file.Write("header\n####_BEGIN_####\n####_END_####\n");
    const Outcome run = Trafficlog({"check", file.Path()});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(Holds(run.out, ":4: no entries: the feeder never publishes")) << run.out;
    EXPECT_TRUE(Holds(run.out, ": faults found: 3 lines, 0 entries, 1 finding\n")) << run.out;
    TempFile clean(".dat");
    clean.Write(kCleanFile);
    EXPECT_TRUE(
        Holds(Trafficlog({"check", clean.Path()}).out, ": clean: 6 lines, 1 entry, 0 findings\n"));
}

// A data file can hold a title change (OSC ... BEL), a screen clear and C1 controls: none of
// them may reach the terminal that shows the findings or the records.
TEST(TrafficLogCommand, TextsFromTheFileReachTheTerminalMasked) {
    TempFile file(".dat");
    file.Write("header\n####_BEGIN_####\n####_ENTRY_0_####\n"
               "T\x1b]0;owned\a|400001|1000|50.40|0.10|3000|3050|90|120|0\n"
               "C\x9b"
               "2J|400001|1000|50.40|\x1b[2J|3000|3050|90|120|0\n"
               "####_ENTRY_END_####\n####_END_####\n");
    const Outcome check = Trafficlog({"check", file.Path()});
    EXPECT_EQ(check.code, 1);
    EXPECT_TRUE(Holds(check.out, ":4: control characters: callsign \"T?]0;owned?\"")) << check.out;
    EXPECT_TRUE(Holds(check.out, ":5: position not numeric: longitude \"?[2J\"")) << check.out;
    const Outcome scan = Trafficlog({"scan", "--own", "50.4,0.1", "--records", file.Path()});
    EXPECT_EQ(scan.code, 0);
    EXPECT_TRUE(Holds(scan.out, "  T?]0;own ")) << scan.out;
    EXPECT_TRUE(Holds(scan.out, "  C?2J     ")) << scan.out;
    for (const std::string& text : {check.out, scan.out}) {
        for (const unsigned char c : text) {
            EXPECT_TRUE(c == '\n' || (c >= 0x20 && c != 0x7f && (c < 0x80 || c > 0x9f)))
                << static_cast<int>(c) << " in " << text;
        }
    }
}

TEST(TrafficLogCommand, ScanOfAFileWithoutEntriesIsNoSuccess) {
    TempFile empty(".dat");
    empty.Write("");
    TempFile binary(".dat");
    binary.Write(std::string("\x7f"
                             "ELF\x02\x01\x01\0\0\0\0\0",
                             12) +
                 std::string(3000, '\xff'));
    for (const TempFile* file : {&empty, &binary}) {
        const Outcome run = Trafficlog({"scan", "--own", "50,0", file->Path()});
        EXPECT_EQ(run.code, 1) << run.out;
        EXPECT_TRUE(Holds(run.err, "holds no entry the feeder would play")) << run.err;
    }
    EXPECT_EQ(Trafficlog({"scan", "--own", "50,0", "/nonexistent-folder/x.dat"}).code, 2);
}

// strtoll saturates at 2^63 - 1: every larger seed used to give the same recording.
TEST(TrafficLogCommand, SeedsBeyond2To63GiveTheirOwnRecordings) {
    TempFile first(".dat");
    TempFile second(".dat");
    ASSERT_EQ(Trafficlog({"generate", "--duration", "60", "--seed", "9223372036854775808", "--out",
                          first.Path()})
                  .code,
              0);
    ASSERT_EQ(Trafficlog({"generate", "--duration", "60", "--seed", "18446744073709551615", "--out",
                          second.Path()})
                  .code,
              0);
    EXPECT_NE(first.Read(), second.Read());
    EXPECT_TRUE(Holds(second.Read(), "seed 18446744073709551615\n"));
}

// The default output goes to the working folder; the summary names it in full.
TEST(TrafficLogCommand, GenerateWithoutOutSaysWhereItWrote) {
    TempFile folder("");
    std::filesystem::create_directory(folder.Path());
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    const std::filesystem::path written = std::filesystem::current_path() / "TrafficLog.dat";
    const Outcome run = Trafficlog({"generate", "--duration", "20"});
    std::filesystem::current_path(before);
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out.rfind(written.string() + ": 2 entries, ", 0), 0u) << run.out;
    EXPECT_TRUE(std::filesystem::exists(written));
    std::filesystem::remove_all(folder.Path());
}

TEST(TrafficLogCommand, CheckListsUpToTheLimit) {
    TempFile file(".dat");
    file.Write("header\n####_BEGIN_####\n####_ENTRY_0_####\nA\nB\nC\n####_ENTRY_END_####\n"
               "####_END_####\n");
    const Outcome run = Trafficlog({"check", "--max-report", "1", file.Path()});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.out.find(":4: too few fields"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find(":5: too few fields"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("2 more findings not listed"), std::string::npos) << run.out;
}

TEST(TrafficLogCommand, ScanPrintsTheRecordsAsText) {
    TempFile file(".dat");
    file.Write(kCleanFile);
    const Outcome run = Trafficlog({"scan", "--own", "50.45,0.01", "--records", file.Path()});
    EXPECT_EQ(run.code, 0);
    EXPECT_NE(run.out.find("entry 0: 1 aircraft checked, 1 in view\n"
                           "  BAW1     400001  50.40000    0.10000 baro   3000.0 geo   3050.0 "
                           "track   90.0 speed  120.0 vrate    0.0 time 1000\n"),
              std::string::npos)
        << run.out;
}

struct Arguments {
    std::vector<const char*> args;
    const char* expected; // on standard output for a request, on standard error for a refusal
};

void PrintTo(const Arguments& c, std::ostream* out) {
    *out << "trafficlog";
    for (const char* arg : c.args) {
        *out << " " << MaskControls(arg);
    }
}

class HelpAndVersion : public testing::TestWithParam<Arguments> {};

TEST_P(HelpAndVersion, AnswerOnStandardOutputWithExitCode0) {
    const Outcome run = Trafficlog(GetParam().args);
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(Holds(run.out, GetParam().expected)) << run.out;
    EXPECT_EQ(run.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Everywhere, HelpAndVersion,
    testing::Values(Arguments{{"--help"}, "Exit codes: 0 success"}, Arguments{{"-h"}, "-h, --help"},
                    Arguments{{"--help"}, kValueRulesHelp},
                    Arguments{{"help"}, "Options of scan:\n  --own LAT,LON"},
                    Arguments{{"--version"}, "trafficlog (Corvane Version 1.0)\n"},
                    Arguments{{"check", "--help"}, "Exit codes: 0 a clean file, 1 findings, 2 "},
                    Arguments{{"check", "FILE", "-h"}, "Usage: trafficlog check"},
                    Arguments{{"check", "--version"}, "Version 1.0"},
                    Arguments{{"scan", "--help"}, "1 no entry to play"},
                    Arguments{{"generate", "--help"}, "--version"},
                    Arguments{{"generate", "--version"}, "Version 1.0"},
                    Arguments{{"convert", "-h"}, "Usage: trafficlog convert"},
                    Arguments{{"convert", "--version"}, "Version 1.0"},
                    Arguments{{"convert", "--help"}, "  --around LAT,LON,RADIUS_NM"},
                    Arguments{{"convert", "in.csv", "--help"}, "1 rows could not be placed"},
                    Arguments{{"record", "--help"}, "Usage: trafficlog record --sbs HOST:PORT"},
                    Arguments{{"record", "--sbs", "h:1", "-h"}, "0 recorded and closed"},
                    Arguments{{"record", "--version"}, "Version 1.0"},
                    // The manual page is made from the overview: every command's options.
                    Arguments{{"--help"}, "Options of record:\n  --sbs HOST:PORT"},
                    Arguments{{"--help"}, "Options of convert:\n  --around LAT,LON,RADIUS_NM"}),
    NamedByPrint());

class UsageErrors : public testing::TestWithParam<Arguments> {};

// One line that names what is wrong, the pointer to the help, exit code 2; no usage dump.
TEST_P(UsageErrors, NameWhatIsWrongWithExitCode2) {
    const Outcome run = Trafficlog(GetParam().args);
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.err,
              std::string("trafficlog: ") + GetParam().expected + "\nTry 'trafficlog --help'.\n");
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsageErrors,
    testing::Values(
        Arguments{{}, "no command given"},
        Arguments{{"frobnicate"}, "unknown command 'frobnicate'"},
        Arguments{{"--frobnicate"}, "unknown option '--frobnicate'"},
        Arguments{{"generate", "--duration", "ten"}, "--duration 'ten' is not a whole number"},
        Arguments{{"generate", "--duration=-1"}, "--duration '-1' is out of range (0 to 2592000)"},
        Arguments{{"generate", "--density", "-1"}, "--density '-1' is out of range (0 to 5000)"},
        Arguments{{"generate", "--density", "nan"}, "--density 'nan' is not a number"},
        Arguments{{"generate", "--out"}, "--out needs a value"},
        Arguments{
            {"generate", "--out", "/nonexistent-folder/x.dat", "--seed", "18446744073709551616"},
            "--seed '18446744073709551616' is out of range (0 to 18446744073709551615)"},
        Arguments{{"generate", "--out", "/nonexistent-folder/x.dat", "--seed", "-1"},
                  "--seed '-1' is out of range (0 to 18446744073709551615)"},
        Arguments{{"generate", "--out", "/nonexistent-folder/x.dat", "--start", "99999999999999"},
                  "--start '99999999999999' is out of range (0 to 2147483647)"},
        Arguments{{"generate", "--out", "/nonexistent-folder/x.dat", "--start", "2147483000",
                   "--duration", "3600"},
                  "--start 2147483000 with --duration 3600 writes times beyond 2147483647, the "
                  "last time a data file holds"},
        Arguments{{"generate", "extra"}, "unexpected argument 'extra'"},
        Arguments{{"convert", "only-one.csv"}, "convert needs an INPUT and a DATA_FILE"},
        Arguments{{"convert", "--max-report", "9223372036854775808", "a", "b"},
                  "--max-report '9223372036854775808' is out of range (0 to "
                  "9223372036854775807)"},
        Arguments{{"check"}, "check needs a FILE"},
        Arguments{{"check", "--max-report", "99999999999999999999", "x.dat"},
                  "--max-report '99999999999999999999' is out of range (0 to "
                  "9223372036854775807)"},
        Arguments{{"check", "a.dat", "b.dat"}, "unexpected argument 'b.dat'"},
        Arguments{{"scan", "file.dat"}, "scan needs --own LAT,LON"},
        Arguments{{"scan", "--own", "50,0"}, "scan needs a FILE"},
        Arguments{{"scan", "--own", "91,0", "file.dat"},
                  "--own '91,0' has latitude 91, out of range (-90 to 90)"},
        Arguments{{"scan", "--own", "0,-180.5", "file.dat"},
                  "--own '0,-180.5' has longitude -180.5, out of range (-180 to 180)"},
        Arguments{{"scan", "--own", "50", "file.dat"}, "--own '50' is not LAT,LON in degrees"},
        Arguments{{"scan", "--own", "50,0,1", "file.dat"},
                  "--own '50,0,1' is not LAT,LON in degrees"},
        Arguments{{"scan", "--own", "50,0", "--records=yes", "file.dat"},
                  "--records takes no value"},
        // A value from the command line is shown masked like any other text.
        Arguments{{"check", "--max-report", "\x1b[2J"},
                  "--max-report '?[2J' is not a whole number"}),
    NamedByPrint());
} // namespace
