// The real program, run as a service would run it (no terminal), beside a block of the test's
// own (--name) that the test holds as a simulator would.

#include "platform/NamedMapping.h"
#include "shared_memory/VisualShm.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/UniqueName.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Generous bounds that only keep a broken program from hanging the test run.
constexpr int kStartTimeoutMs = 10000;
constexpr int kEndTimeoutMs = 15000;
// Requests come every 10 s; the second one is due 10 s after the first.
constexpr int kSecondRequestTimeoutMs = 25000;

constexpr char kHeaderLine[] = "Program test recording";
constexpr std::size_t kStampLength = 20; // "2026-11-01T12:00:00Z"

bool IsStamp(const std::string& text) {
    static const char kPattern[] = "0000-00-00T00:00:00Z";
    if (text.size() != kStampLength) {
        return false;
    }
    for (std::size_t i = 0; i < kStampLength; ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kPattern[i] == '0' ? !digit : text[i] != kPattern[i]) {
            return false;
        }
    }
    return true;
}

// corvane, its arguments to be given.
struct Launch : ProgramLaunch {
    Launch() { program = CORVANE_PROGRAM; }
};

// The program's log, read from its standard output: lines that each start with a time stamp.
class RunningProgram : public ProgramRun {
public:
    explicit RunningProgram(const Launch& launch) : ProgramRun(launch) {}

    // The log lines without their time stamps; a line without one is kept whole, and fails
    // the check of EveryLineIsStamped.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (const std::string& line : RawLines()) {
            const bool stamped = line.size() > kStampLength &&
                                 IsStamp(line.substr(0, kStampLength)) && line[kStampLength] == ' ';
            lines.push_back(stamped ? line.substr(kStampLength + 1) : line);
        }
        return lines;
    }

    // The stamp of the first log line that reads `line`; empty when there is none.
    std::string StampOf(const std::string& line) const {
        for (const std::string& raw : RawLines()) {
            if (raw.size() > kStampLength && raw.substr(kStampLength + 1) == line) {
                return raw.substr(0, kStampLength);
            }
        }
        return "";
    }

    bool EveryLineIsStamped() const {
        for (const std::string& line : RawLines()) {
            if (line.size() <= kStampLength || !IsStamp(line.substr(0, kStampLength))) {
                return false;
            }
        }
        return true;
    }

    int Count(const std::string& line) const {
        int count = 0;
        for (const std::string& shown : Lines()) {
            count += shown == line ? 1 : 0;
        }
        return count;
    }

    // Reads the output until a log line reads `line`, or the time is up.
    bool WaitForLine(const std::string& line, int timeoutMs) {
        return WaitUntil([&] { return Count(line) > 0; }, timeoutMs);
    }

private:
    std::vector<std::string> RawLines() const {
        const std::string text = Output();
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find('\n', start)) != std::string::npos;
             start = end + 1) {
            lines.push_back(text.substr(start, end - start));
        }
        return lines;
    }
};

// Whether the process has its own handler for the signal yet (the SigCgt mask of its status).
bool CatchesSignal(pid_t pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) == 0) {
            const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            return (mask >> (signal - 1) & 1) != 0;
        }
    }
    return false;
}

// The simulator's side: holds a block of the test's own, attached once, with the simulation
// running, and a folder for the data files.
class ProgramAgainstBlock : public ::testing::Test {
protected:
    void SetUp() override {
        blockName = UniqueName("CorvaneProgramTest");
        simulator = std::make_unique<CVisShm>(blockName.c_str());
        ASSERT_TRUE(simulator->IsValid()) << simulator->GetErrorText();
        block = static_cast<VisualInterfaceBlock*>(simulator->GetBlock());
        block->simulationState = 1;
        block->soundRequest = -1;

        folder = fs::temp_directory_path() / UniqueName("corvane_program_test");
        fs::create_directories(folder);
        dataFile = (folder / "TrafficLog.dat").string();
        std::ofstream(dataFile) << kHeaderLine << "\n####_BEGIN_####\n####_ENTRY_0_####\n"
                                << "BAW123|4CA2B5|1000|50.5|0.1|3000|3100|90|250|0\n"
                                << "####_ENTRY_END_####\n####_END_####\n";
    }

    void TearDown() override {
        simulator.reset();
        NamedMapping::Unlink(blockName.c_str());
        fs::remove_all(folder);
    }

    // The program on the test's block and the given data file.
    Launch On(const std::string& data) const {
        Launch launch;
        launch.arguments = {"--name", blockName, "--data", data};
        return launch;
    }

    std::string blockName;
    std::unique_ptr<CVisShm> simulator;
    VisualInterfaceBlock* block = nullptr;
    fs::path folder;
    std::string dataFile;
    const std::string titleLine = std::string("Title: Halvery v1:: ") + kHeaderLine;
};

TEST_F(ProgramAgainstBlock, RunsUntilTheSimulationEnds) {
    RunningProgram program(On(dataFile));
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(program.WaitForLine(titleLine, kStartTimeoutMs)) << program.Output();
    EXPECT_EQ(block->attachCount, 2);
    EXPECT_EQ(block->trafficStatus, 99); // no publication yet: the header came first

    block->simulationState = kSimulationEnding;
    program.WaitForEnd(kEndTimeoutMs);

    EXPECT_EQ(program.ExitCode(), 0) << program.Errors();
    EXPECT_EQ(block->attachCount, 1);
    EXPECT_TRUE(program.EveryLineIsStamped()) << program.Output();
    const std::vector<std::string> lines = program.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "Title: Halvery v1");
    EXPECT_EQ(program.Count("Status: Opening data file and awaiting data stream approx 20 seconds"),
              1);
    // One line where the countdown starts and one where it ends, not one a frame.
    EXPECT_EQ(program.Count("Status:  :: Simlation Ending 49"), 1) << program.Output();
    EXPECT_EQ(program.Count("Status:  :: Simlation Ending 0"), 1) << program.Output();
    int countdownLines = 0;
    for (const std::string& line : lines) {
        countdownLines += line.find("Simlation Ending") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(countdownLines, 2) << program.Output();
}

class ProgramClosedBySignal : public ProgramAgainstBlock,
                              public ::testing::WithParamInterface<int> {};

TEST_P(ProgramClosedBySignal, ClosesAsTheUserDoes) {
    RunningProgram program(On(dataFile));
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(program.WaitForLine(titleLine, kStartTimeoutMs)) << program.Output();
    ASSERT_EQ(block->attachCount, 2);

    kill(program.Pid(), GetParam());
    program.WaitForEnd(kEndTimeoutMs);

    EXPECT_EQ(program.ExitCode(), 0) << program.Errors();
    EXPECT_EQ(block->attachCount, 1); // OnDestroy ran: the program detached
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramClosedBySignal, ::testing::Values(SIGTERM, SIGINT),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGTERM ? "SIGTERM" : "SIGINT");
                         });

// A FIFO without a writer (or with one that never writes), or a pipe such as `--data <(cat
// FILE)`, once made the program wait for ever in the open or a read, deaf to SIGTERM. It is
// refused at once with the reason, and the program closes on a signal like any other.
TEST_F(ProgramAgainstBlock, FifosAndPipesAreRefusedAndTheProgramStillCloses) {
    const fs::path fifo = folder / "fifo.dat";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const std::string content = kHeaderLine + std::string("\n####_END_####\n");
    ASSERT_EQ(write(ends[1], content.data(), content.size()), static_cast<ssize_t>(content.size()));

    struct Case {
        std::string name;
        Launch launch;
    };
    Launch throughPipe = On("/dev/fd/" + std::to_string(kInheritedFd));
    throughPipe.inherited = ends[0];
    const Case cases[] = {{"FIFO", On(fifo.string())}, {"pipe", throughPipe}};
    for (const Case& c : cases) {
        RunningProgram program(c.launch);
        ASSERT_TRUE(program.Started());
        ASSERT_TRUE(program.WaitForLine("Message: No Data File", kStartTimeoutMs))
            << c.name << "\n"
            << program.Output();
        EXPECT_NE(program.Output().find("OpenFileForReading / not a regular file / "),
                  std::string::npos)
            << program.Output();
        kill(program.Pid(), SIGTERM);
        program.WaitForEnd(kEndTimeoutMs);
        EXPECT_EQ(program.ExitCode(), 0) << c.name;
        EXPECT_EQ(program.Output().find("Resetting Data Set"), std::string::npos);
        EXPECT_EQ(block->attachCount, 1) << c.name;
    }
    close(ends[0]);
    close(ends[1]);
}

// On a terminal the missing-file box waits for Enter; a signal closes the box and the program.
TEST_F(ProgramAgainstBlock, SignalClosesTheProgramWhileItsBoxWaitsForEnter) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);

    Launch launch = On((folder / "missing.dat").string());
    launch.input = terminal;
    RunningProgram program(launch);
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(program.WaitForLine("(press Enter)", kStartTimeoutMs)) << program.Output();
    kill(program.Pid(), SIGTERM);
    program.WaitForEnd(kEndTimeoutMs);
    EXPECT_EQ(program.ExitCode(), 0);
    EXPECT_EQ(block->attachCount, 1);
    close(terminal);
    close(master);
}

// A log reader that stops reading once held the program in a write that no signal ended.
TEST_F(ProgramAgainstBlock, SignalClosesTheProgramWhoseLogIsNotRead) {
    Launch launch = On(dataFile);
    launch.outputFull = true;
    RunningProgram program(launch);
    ASSERT_TRUE(program.Started());
    // Once it catches the signal, its first log line is near, or already waiting for room.
    for (int waited = 0; waited < kStartTimeoutMs && !CatchesSignal(program.Pid(), SIGTERM);
         waited += 10) {
        usleep(10 * 1000);
    }
    ASSERT_TRUE(CatchesSignal(program.Pid(), SIGTERM));
    kill(program.Pid(), SIGTERM);
    EXPECT_TRUE(program.WaitForEnd(kEndTimeoutMs));
    EXPECT_EQ(program.ExitCode(), 0) << program.Errors();
    EXPECT_EQ(block->attachCount, 1);
}

// The calendar set back an hour (an operator, a time service) under the running program once
// stopped every request for that hour. The requests go on; the log's times follow the calendar.
TEST_F(ProgramAgainstBlock, CalendarSetBackAnHourKeepsTheRequestsComing) {
    Launch launch = On(dataFile);
    launch.environment = {std::string("LD_PRELOAD=") + CLOCK_STEP_SHIM,
                          "CORVANE_CALENDAR_STEP=-3600", "CORVANE_CALENDAR_STEP_AFTER=2",
                          // The sanitizers' runtime is not the first library then.
                          "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=1"};
    RunningProgram program(launch);
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(program.WaitForLine(titleLine, kStartTimeoutMs)) << program.Output();

    // The second request reads the begin tag, ten seconds after the first.
    ASSERT_TRUE(program.WaitForLine("Status: Found data start tag", kSecondRequestTimeoutMs))
        << program.Output();
    const std::string before = program.StampOf(titleLine);
    const std::string after = program.StampOf("Status: Found data start tag");
    ASSERT_FALSE(before.empty());
    EXPECT_LT(after, before) << "the log's time did not follow the calendar";

    kill(program.Pid(), SIGTERM);
    program.WaitForEnd(kEndTimeoutMs);
    EXPECT_EQ(program.ExitCode(), 0) << program.Errors();
}

// A recording extended by 200 GB (sparse: a hostile writer, a file system gone wrong) once held
// the live feeder in one look for minutes: no frame, no alert answered, SIGTERM heard 71 s late.
// The look after the append reads only its end: the entry written after it is published at the
// next request, and a stop ends the program as it ends it at any other time.
TEST_F(ProgramAgainstBlock, HugeAppendToALiveFileHoldsNothingUp) {
    // Entry n of n+1 aircraft, stamped n seconds after the first.
    const std::int64_t start = std::time(nullptr);
    const auto entry = [start](int number) {
        std::string text = "####_ENTRY_" + std::to_string(number) + "_####\n";
        for (int i = 0; i <= number; ++i) {
            text += "LIVE" + std::to_string(i) + "|4CA2B" + std::to_string(i) + "|" +
                    std::to_string(start + number) + "|50.5|0.1|3000|3100|90|250|0\n";
        }
        return text + "####_ENTRY_END_####\n";
    };
    const std::string live = (folder / "live.dat").string();
    std::ofstream(live) << kHeaderLine << "\n####_BEGIN_####\n" << entry(0);
    Launch launch = On(live);
    launch.arguments.push_back("--live");
    RunningProgram program(launch);
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(
        program.WaitForLine("Message: Reading Data Set :: 1 Aircraft checked", kStartTimeoutMs))
        << program.Output();

    std::error_code error;
    fs::resize_file(live, fs::file_size(live) + (200ull << 30), error);
    if (error) {
        GTEST_SKIP() << "this file system holds no file of 200 GB, even sparse";
    }
    std::ofstream(live, std::ios::app) << "\n" << entry(1);
    EXPECT_TRUE(program.WaitForLine("Message: Reading Data Set :: 2 Aircraft checked",
                                    kSecondRequestTimeoutMs))
        << program.Output();
    kill(program.Pid(), SIGTERM);
    EXPECT_TRUE(program.WaitForEnd(kEndTimeoutMs));
    EXPECT_EQ(program.ExitCode(), 0) << program.Errors();
    EXPECT_EQ(block->attachCount, 1);
}

// The default path made from XDG_DATA_HOME is held to the same 1023 characters as --data: cut,
// it would name another file. It is refused before the program attaches or opens anything.
TEST(ProgramDefaultPath, OverlongDataFolderIsRefusedNotCut) {
    const std::string blockName = UniqueName("CorvaneProgramTest");
    struct Case {
        std::size_t folderLength;
        bool refused;
    };
    constexpr std::size_t kInFolder = sizeof "/Brenwick/AddOns/TrafficLog.dat" - 1;
    for (const Case& c : {Case{1023 - kInFolder + 1, true}, Case{1023 - kInFolder, false}}) {
        Launch launch;
        launch.arguments = {"--name", blockName};
        launch.environment = {"XDG_DATA_HOME=/" + std::string(c.folderLength - 1, 'd')};
        RunningProgram program(launch);
        ASSERT_TRUE(program.Started());
        if (c.refused) {
            program.WaitForEnd(kEndTimeoutMs);
            EXPECT_EQ(program.ExitCode(), 2);
            EXPECT_NE(program.Errors().find("default path in $XDG_DATA_HOME is longer than 1023 "
                                            "characters: name the file with --data"),
                      std::string::npos)
                << program.Errors();
        } else {
            // The path fits whole: the file is missing, and the message line says so.
            EXPECT_TRUE(program.WaitForLine("Message: No Data File", kStartTimeoutMs))
                << program.Output();
        }
    }
    NamedMapping::Unlink(blockName.c_str());
}

struct ArgumentCase {
    const char* name;
    std::vector<std::string> arguments;
    int exitCode;
    const char* expectedOutput; // on standard output
    const char* expectedError;  // on standard error
};

void PrintTo(const ArgumentCase& c, std::ostream* out) {
    for (const std::string& argument : c.arguments) {
        *out << "[" << argument.substr(0, 40) << "]";
    }
}

class ProgramArguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(ProgramArguments, AnswerWithoutRunning) {
    const ArgumentCase& c = GetParam();
    Launch launch;
    launch.arguments = c.arguments;
    RunningProgram program(launch);
    ASSERT_TRUE(program.Started());
    program.WaitForEnd(kEndTimeoutMs);
    EXPECT_EQ(program.ExitCode(), c.exitCode);
    EXPECT_NE(program.Output().find(c.expectedOutput), std::string::npos) << program.Output();
    EXPECT_NE(program.Errors().find(c.expectedError), std::string::npos) << program.Errors();
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ProgramArguments,
    ::testing::Values(
        ArgumentCase{"Help", {"--help"}, 0, "Usage: corvane [--data FILE] [--name NAME]\n", ""},
        ArgumentCase{"Version", {"--version"}, 0, "Corvane Version 1.0\n", ""},
        ArgumentCase{
            "Unknown", {"--bogus"}, 2, "", "corvane: unrecognised argument '--bogus'\nUsage:"},
        ArgumentCase{"DataWithoutFile", {"--data"}, 2, "", "needs a file name"},
        ArgumentCase{"NameWithoutName", {"--name"}, 2, "", "needs a block name"},
        ArgumentCase{"BareFile", {"extra.dat"}, 2, "", "unrecognised argument 'extra.dat'"},
        // Cut to 1023 characters, the path would name another file.
        ArgumentCase{"OverlongData",
                     {"--data", "/tmp/" + std::string(1019, 'a')},
                     2,
                     "",
                     "the value of option '--data' is longer than 1023 characters"},
        ArgumentCase{"OverlongName",
                     {"--name", std::string(128, 'n')},
                     2,
                     "",
                     "the value of option '--name' is longer than 127 characters"}),
    [](const ::testing::TestParamInfo<ArgumentCase>& info) {
        return std::string(info.param.name);
    });

} // namespace
