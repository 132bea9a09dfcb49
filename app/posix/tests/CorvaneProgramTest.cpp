// The real program, run as a service would run it (no terminal), against the real
// "VisualInterface" block that this test creates as a simulator would.

#include "platform/NamedMapping.h"
#include "shared_memory/VisualShm.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// Generous bounds that only keep a broken program from hanging the test run.
constexpr int kStartTimeoutMs = 10000;
constexpr int kEndTimeoutMs = 15000;

constexpr char kHeaderLine[] = "Program test recording";

struct Finished {
    bool exited = false;
    int status = -1;
};

// The program with its standard input on /dev/null and its standard output on a pipe.
class RunningProgram {
public:
    explicit RunningProgram(const std::vector<std::string>& arguments) {
        int out[2];
        int err[2];
        if (pipe(out) != 0 || pipe(err) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, err[0]);
        std::vector<char*> argv = {const_cast<char*>(CORVANE_PROGRAM)};
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        setenv("SDL_AUDIODRIVER", "dummy", 1); // no sound device needed, and no noise
        if (posix_spawn(&pid, CORVANE_PROGRAM, &actions, nullptr, argv.data(), environ) != 0) {
            pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        outputFd = out[0];
        errorFd = err[0];
    }

    ~RunningProgram() {
        if (pid > 0 && !finished.exited) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        close(outputFd);
        close(errorFd);
    }

    bool Started() const { return pid > 0; }
    pid_t Pid() const { return pid; }
    const std::string& Output() const { return output; }

    // Reads the output until it holds `line` as a whole line, or the time is up.
    bool WaitForLine(const std::string& line, int timeoutMs) {
        for (int waited = 0; waited < timeoutMs; waited += kPollMs) {
            if (("\n" + output).find("\n" + line + "\n") != std::string::npos) {
                return true;
            }
            if (!ReadSome(outputFd, output, kPollMs)) {
                return false;
            }
        }
        return false;
    }

    Finished WaitForExit(int timeoutMs) {
        for (int waited = 0; waited < timeoutMs && !finished.exited; waited += kPollMs) {
            ReadSome(outputFd, output, 0);
            ReadSome(errorFd, errors, 0);
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                finished = {true, status};
            } else {
                usleep(kPollMs * 1000);
            }
        }
        if (finished.exited) {
            Drain(outputFd, output);
            Drain(errorFd, errors);
        }
        return finished;
    }

    const std::string& Errors() const { return errors; }

private:
    static constexpr int kPollMs = 50;
    static constexpr int kMaxDrainReads = 100;

    // False at the end of the stream.
    static bool ReadSome(int fd, std::string& into, int timeoutMs) {
        pollfd watched = {fd, POLLIN, 0};
        if (poll(&watched, 1, timeoutMs) <= 0) {
            return true;
        }
        char buffer[4096];
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count > 0) {
            into.append(buffer, static_cast<std::size_t>(count));
        }
        return count > 0;
    }

    // What is left in the pipe once the program has gone, up to its end.
    static void Drain(int fd, std::string& into) {
        for (int reads = 0; reads < kMaxDrainReads && ReadSome(fd, into, kPollMs); ++reads) {
        }
    }

    pid_t pid = -1;
    int outputFd = -1;
    int errorFd = -1;
    std::string output;
    std::string errors;
    Finished finished;
};

int ExitCode(const Finished& finished) {
    return finished.exited && WIFEXITED(finished.status) ? WEXITSTATUS(finished.status) : -1;
}

// The simulator's side: holds the block, attached once, with the simulation running.
class ProgramAgainstBlock : public ::testing::Test {
protected:
    void SetUp() override {
        NamedMapping probe;
        createdBlock = !probe.Open(kVisualInterfaceName);
        probe.UnmapAndClose();
        simulator = std::make_unique<CVisShm>();
        ASSERT_TRUE(simulator->IsValid()) << simulator->GetErrorText();
        block = static_cast<VisualInterfaceBlock*>(simulator->GetBlock());
        if (block->attachCount != 1) {
            GTEST_SKIP() << "another client holds the VisualInterface block";
        }
        block->simulationState = 1;
        block->soundRequest = -1;

        dataFile = testing::TempDir() + "CorvaneProgramTest.dat";
        std::ofstream(dataFile) << kHeaderLine << "\n####_BEGIN_####\n####_ENTRY_0_####\n"
                                << "BAW123|4CA2B5|1000|50.5|0.1|3000|3100|90|250|0\n"
                                << "####_ENTRY_END_####\n####_END_####\n";
    }

    void TearDown() override {
        simulator.reset();
        if (createdBlock) {
            NamedMapping::Unlink(kVisualInterfaceName);
        }
        std::remove(dataFile.c_str());
    }

    std::unique_ptr<CVisShm> simulator;
    VisualInterfaceBlock* block = nullptr;
    bool createdBlock = false;
    std::string dataFile;
    const std::string titleLine = std::string("Title: Halvery v1:: ") + kHeaderLine;
};

TEST_F(ProgramAgainstBlock, RunsUntilTheSimulationEnds) {
    RunningProgram program({"--data", dataFile});
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(program.WaitForLine(titleLine, kStartTimeoutMs)) << program.Output();
    EXPECT_EQ(block->attachCount, 2);
    EXPECT_EQ(block->trafficStatus, 99); // no publication yet: the header came first

    block->simulationState = kSimulationEnding;
    const Finished finished = program.WaitForExit(kEndTimeoutMs);

    EXPECT_EQ(ExitCode(finished), 0) << program.Errors();
    EXPECT_EQ(block->attachCount, 1);
    const std::string& log = program.Output();
    EXPECT_EQ(log.find("Title: Halvery v1\n"), 0u) << log;
    EXPECT_NE(log.find("Status: Opening data file and awaiting data stream approx 20 seconds\n"),
              std::string::npos);
    EXPECT_NE(log.find("Status:  :: Simlation Ending 0\n"), std::string::npos) << log;
}

class ProgramClosedBySignal : public ProgramAgainstBlock,
                              public ::testing::WithParamInterface<int> {};

TEST_P(ProgramClosedBySignal, ClosesAsTheUserDoes) {
    RunningProgram program({"--data", dataFile});
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(program.WaitForLine(titleLine, kStartTimeoutMs)) << program.Output();
    ASSERT_EQ(block->attachCount, 2);

    kill(program.Pid(), GetParam());
    const Finished finished = program.WaitForExit(kEndTimeoutMs);

    EXPECT_EQ(ExitCode(finished), 0) << program.Errors();
    EXPECT_EQ(block->attachCount, 1); // OnDestroy ran: the program detached
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramClosedBySignal, ::testing::Values(SIGTERM, SIGINT));

struct ArgumentCase {
    std::vector<std::string> arguments;
    int exitCode;
    const char* expectedOutput; // on standard output
    const char* expectedError;  // on standard error
};

void PrintTo(const ArgumentCase& c, std::ostream* out) {
    for (const std::string& argument : c.arguments) {
        *out << "[" << argument << "]";
    }
}

class ProgramArguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(ProgramArguments, AnswerWithoutRunning) {
    const ArgumentCase& c = GetParam();
    RunningProgram program(c.arguments);
    ASSERT_TRUE(program.Started());
    const Finished finished = program.WaitForExit(kEndTimeoutMs);
    EXPECT_EQ(ExitCode(finished), c.exitCode);
    EXPECT_NE(program.Output().find(c.expectedOutput), std::string::npos) << program.Output();
    EXPECT_NE(program.Errors().find(c.expectedError), std::string::npos) << program.Errors();
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ProgramArguments,
    ::testing::Values(ArgumentCase{{"--help"}, 0, "Usage: corvane [--data FILE]\n", ""},
                      ArgumentCase{{"--version"}, 0, "Corvane Version 1.0\n", ""},
                      ArgumentCase{
                          {"--bogus"}, 2, "", "corvane: unrecognised argument '--bogus'\nUsage:"},
                      ArgumentCase{{"--data"}, 2, "", "needs a file name"},
                      ArgumentCase{{"extra.dat"}, 2, "", "unrecognised argument 'extra.dat'"}));

} // namespace
