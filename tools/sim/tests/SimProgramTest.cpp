// The program as its users run it: from a shell, its output read by another program.
#include "platform/NamedMapping.h"
#include "shared_memory/VisualShm.h"
#include "tests/UniqueName.h"
#include "tools/sim/SimRunner.h"

#include "tools/sim/tests/SimTestCases.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <ostream>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {
// Only keeps a broken program from hanging the test run.
constexpr auto kPatience = std::chrono::seconds(20);

// corvane-sim with its input on /dev/null and its output and errors on pipes.
class Program {
public:
    explicit Program(const std::vector<std::string>& arguments) {
        int out[2], err[2];
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
        std::vector<char*> argv = {const_cast<char*>(CORVANE_SIM_PROGRAM)};
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid, CORVANE_SIM_PROGRAM, &actions, nullptr, argv.data(), environ) != 0) {
            pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        outFd = out[0];
        errFd = err[0];
    }

    ~Program() {
        if (pid > 0 && !exited) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        CloseOutput();
        close(errFd);
    }

    // Reads standard output up to the end of its first line.
    std::string FirstLine() {
        std::string line;
        const auto until = std::chrono::steady_clock::now() + kPatience;
        char c = 0;
        while (std::chrono::steady_clock::now() < until && Readable(outFd) &&
               read(outFd, &c, 1) == 1 && c != '\n') {
            line += c;
        }
        return line;
    }

    // The reader goes away, as head -1 does after its line.
    void CloseOutput() {
        if (outFd >= 0) {
            close(outFd);
            outFd = -1;
        }
    }

    // Waits for the end, reading both pipes; the wait status, -1 when it did not end in time.
    int Wait() {
        const auto until = std::chrono::steady_clock::now() + kPatience;
        while (Running() && std::chrono::steady_clock::now() < until) {
            Drain(outFd, output);
            Drain(errFd, errors);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        Drain(outFd, output);
        Drain(errFd, errors);
        return exited ? status : -1;
    }

    bool Started() const { return pid > 0; }
    // Collects the wait status once the program has ended.
    bool Running() {
        exited = exited || waitpid(pid, &status, WNOHANG) == pid;
        return !exited;
    }
    const std::string& Output() const { return output; }
    const std::string& Errors() const { return errors; }

private:
    static bool Readable(int fd, int timeoutMs = 1000) {
        pollfd watched{fd, POLLIN, 0};
        return fd >= 0 && poll(&watched, 1, timeoutMs) == 1;
    }

    static void Drain(int fd, std::string& into) {
        char buffer[4096];
        ssize_t count = 0;
        while (Readable(fd, 0) && (count = read(fd, buffer, sizeof buffer)) > 0) {
            into.append(buffer, static_cast<std::size_t>(count));
        }
    }

    pid_t pid = -1;
    int outFd = -1;
    int errFd = -1;
    bool exited = false;
    int status = -1;
    std::string output;
    std::string errors;
};

int ExitCode(int status) {
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct CommandCase : sim_test::NamedCase {
    std::vector<std::string> arguments;
    int exitCode;
    const char* out; // found in standard output
    const char* err; // the whole of standard error
};

class SimCommandLine : public testing::TestWithParam<CommandCase> {};

TEST_P(SimCommandLine, SaysWhatIsWrongAndExitsWithItsCode) {
    const CommandCase& c = GetParam();
    Program program(c.arguments);
    ASSERT_TRUE(program.Started());
    EXPECT_EQ(ExitCode(program.Wait()), c.exitCode) << program.Errors();
    EXPECT_NE(program.Output().find(c.out), std::string::npos) << program.Output();
    EXPECT_EQ(program.Errors(), c.err);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimCommandLine,
    testing::Values(
        CommandCase{{"ShortHelp"}, {"-h"}, 0, "  -h, --help ", ""},
        CommandCase{{"LongHelp"}, {"--help"}, 0, "Exit status: 0 ", ""},
        CommandCase{{"Version"}, {"--version"}, 0, "corvane-sim (Corvane Version ", ""},
        CommandCase{{"LatitudeBeyondThePole"},
                    {"--fixed", "91,0"},
                    2,
                    "",
                    "corvane-sim: --fixed 91,0: latitude out of range (-90 to 90)\n"
                    "Try 'corvane-sim --help'.\n"},
        CommandCase{{"UnknownOption"},
                    {"--frobnicate"},
                    2,
                    "",
                    "corvane-sim: unknown option '--frobnicate'\nTry 'corvane-sim --help'.\n"},
        CommandCase{{"SvgIntoNoFolder"},
                    {"--name", "CorvaneSimNever", "--svg", "/nonexistent-corvane/scope.svg"},
                    2,
                    "",
                    "corvane-sim: --svg /nonexistent-corvane/scope.svg cannot be written: "
                    "ScopeSvgFile::Write / No such file or directory / "
                    "/nonexistent-corvane/scope.svg.part\n"}),
    sim_test::ByName());

// corvane-sim --log | head -1: the reader goes after one line. The stand-in must neither die
// of the closed pipe nor leave the block counted and running.
TEST(SimProgram, AReaderThatGoesEndsTheRunWithTheDetach) {
    const std::string name = UniqueName("CorvaneSimPipe");
    CVisShm feeder(name.c_str());
    ASSERT_TRUE(feeder.IsValid());
    auto* block = static_cast<VisualInterfaceBlock*>(feeder.GetBlock());

    Program program({"--name", name, "--fixed", "50.45,0.01", "--log"});
    ASSERT_TRUE(program.Started());
    EXPECT_NE(program.FirstLine().find("attached to block"), std::string::npos);
    program.CloseOutput();
    // Publications give the stand-in something to write.
    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (program.Running() && std::chrono::steady_clock::now() < until) {
        block->publishCounter += 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    const int status = program.Wait();
    ASSERT_NE(status, -1);
    EXPECT_FALSE(WIFSIGNALED(status)) << "signal " << WTERMSIG(status);
    EXPECT_EQ(ExitCode(status), kSimExitCannotRun);
    EXPECT_NE(program.Errors().find("output failed (Broken pipe)"), std::string::npos)
        << program.Errors();
    EXPECT_EQ(block->attachCount, 1);
    EXPECT_EQ(block->simulationState, kSimulationEnding);
    feeder.Detach();
    NamedMapping::Unlink(name.c_str());
}

// A peer that re-creates the block with O_TRUNC shrinks it under the stand-in: the stand-in
// says so and ends, instead of dying of SIGBUS at its next access.
TEST(SimProgram, ABlockShrunkUnderItEndsTheRun) {
    const std::string name = UniqueName("CorvaneSimShrink");
    CVisShm feeder(name.c_str());
    ASSERT_TRUE(feeder.IsValid());

    Program program({"--name", name, "--fixed", "50.45,0.01", "--log"});
    ASSERT_TRUE(program.Started());
    EXPECT_NE(program.FirstLine().find("attached to block"), std::string::npos);
    const int fd = shm_open(("/" + name).c_str(), O_RDWR, 0);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ftruncate(fd, 0), 0);
    close(fd);
    const int status = program.Wait();
    ASSERT_NE(status, -1);
    EXPECT_FALSE(WIFSIGNALED(status)) << "signal " << WTERMSIG(status);
    EXPECT_EQ(ExitCode(status), kSimExitCannotRun);
    EXPECT_NE(program.Errors().find("Shared memory block shrank"), std::string::npos)
        << program.Errors();
    feeder.Abandon();
    NamedMapping::Unlink(name.c_str());
}
} // namespace
