#include "tools/trafficlog/TrafficLogCommand.h"

#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {
struct Outcome {
    int code;
    std::string out;
};

std::string Contents(std::FILE* file) {
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        text += static_cast<char>(c);
    }
    std::fclose(file);
    return text;
}

Outcome Trafficlog(std::vector<const char*> args) {
    args.insert(args.begin(), "trafficlog");
    // Named files. tmpfile on Windows (Wine's C library) takes a name from the clock and opens
    // it without claiming it first: tests started together in parallel processes can meet on
    // one name, and one of them then gets no file.
    const TempFile outFile(".out");
    const TempFile errFile(".err");
    std::FILE* out = std::fopen(outFile.Path(), "w+b");
    std::FILE* err = std::fopen(errFile.Path(), "w+b");
    const int code = RunTrafficLog(static_cast<int>(args.size()), args.data(), {out, err, false});
    Contents(err);
    return {code, Contents(out)};
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
    EXPECT_EQ(Trafficlog({"check", "/nonexistent-folder/x.dat"}).code, 1);
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

class UsageErrors : public testing::TestWithParam<std::vector<const char*>> {};

TEST_P(UsageErrors, GiveExitCode2) {
    EXPECT_EQ(Trafficlog(GetParam()).code, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsageErrors,
    testing::Values(std::vector<const char*>{}, std::vector<const char*>{"frobnicate"},
                    std::vector<const char*>{"generate", "--duration", "ten"},
                    std::vector<const char*>{"generate", "--density", "-1"},
                    std::vector<const char*>{"generate", "--out"},
                    std::vector<const char*>{"convert", "only-one.csv"},
                    std::vector<const char*>{"check"}, std::vector<const char*>{"scan", "file.dat"},
                    std::vector<const char*>{"scan", "--own", "95,0", "file.dat"},
                    std::vector<const char*>{"scan", "--own", "50", "file.dat"}));
} // namespace
