// The program as its users run it: from a shell, its output read by another program.
#include "platform/NamedMapping.h"
#include "shared_memory/VisualShm.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/UniqueName.h"
#include "tools/sim/SimRunner.h"

#include "tools/sim/tests/SimTestCases.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <ostream>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
// Only keeps a broken program from hanging the test run.
constexpr auto kPatience = std::chrono::seconds(20);
constexpr int kPatienceMs = 20000;

// corvane-sim with its input on /dev/null and its output and errors on pipes.
ProgramRun StartSim(const std::vector<std::string>& arguments) {
    return ProgramRun(LaunchOf(CORVANE_SIM_PROGRAM, arguments));
}

// Standard output up to the end of its first line.
std::string FirstLine(ProgramRun& program) {
    program.WaitForOutput("\n", kPatienceMs);
    const std::string output = program.Output();
    return output.substr(0, output.find('\n'));
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
    ProgramRun program = StartSim(c.arguments);
    ASSERT_TRUE(program.Started());
    program.WaitForEnd(kPatienceMs);
    EXPECT_EQ(program.ExitCode(), c.exitCode) << program.Errors();
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

    ProgramRun program = StartSim({"--name", name, "--fixed", "50.45,0.01", "--log"});
    ASSERT_TRUE(program.Started());
    EXPECT_NE(FirstLine(program).find("attached to block"), std::string::npos);
    program.CloseOutput();
    // Publications give the stand-in something to write.
    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (program.Running() && std::chrono::steady_clock::now() < until) {
        block->publishCounter += 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    ASSERT_TRUE(program.WaitForEnd(kPatienceMs));
    EXPECT_FALSE(WIFSIGNALED(program.Status())) << program.Account();
    EXPECT_EQ(program.ExitCode(), kSimExitCannotRun);
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

    ProgramRun program = StartSim({"--name", name, "--fixed", "50.45,0.01", "--log"});
    ASSERT_TRUE(program.Started());
    EXPECT_NE(FirstLine(program).find("attached to block"), std::string::npos);
    const int fd = shm_open(("/" + name).c_str(), O_RDWR, 0);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ftruncate(fd, 0), 0);
    close(fd);
    ASSERT_TRUE(program.WaitForEnd(kPatienceMs));
    EXPECT_FALSE(WIFSIGNALED(program.Status())) << program.Account();
    EXPECT_EQ(program.ExitCode(), kSimExitCannotRun);
    EXPECT_NE(program.Errors().find("Shared memory block shrank"), std::string::npos)
        << program.Errors();
    feeder.Abandon();
    NamedMapping::Unlink(name.c_str());
}
} // namespace
