#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct CommandLineCase {
    std::vector<const char*> arguments; // after the program name
    CommandLineAction action;
    const char* dataFilePath;
};

// Names the case in test listings by its arguments.
void PrintTo(const CommandLineCase& c, std::ostream* out) {
    if (c.arguments.empty()) {
        *out << "(no arguments)";
    }
    for (const char* argument : c.arguments) {
        *out << "[" << argument << "]";
    }
}

class CommandLineCases : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineCases, DecideWhatTheProgramDoes) {
    const CommandLineCase& c = GetParam();
    std::vector<const char*> argv = {"corvane"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    const CommandLine commandLine = ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(commandLine.action, c.action);
    EXPECT_EQ(commandLine.dataFilePath, c.dataFilePath);
    EXPECT_EQ(commandLine.problem.empty(), c.action != CommandLineAction::ShowUsageError);
}

using enum CommandLineAction;

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineCases,
    ::testing::Values(
        CommandLineCase{{}, Run, ""}, CommandLineCase{{"--data", "/tmp/a.dat"}, Run, "/tmp/a.dat"},
        CommandLineCase{{"--data=/tmp/a.dat"}, Run, "/tmp/a.dat"},
        CommandLineCase{{"--data", "--help"}, Run, "--help"}, // a file may have any name
        CommandLineCase{{"--data", "a", "--data", "b"}, Run, "b"},
        CommandLineCase{{"--help"}, ShowHelp, ""}, CommandLineCase{{"-h"}, ShowHelp, ""},
        CommandLineCase{{"--version"}, ShowVersion, ""},
        CommandLineCase{{"--help", "--bogus"}, ShowHelp, ""},
        CommandLineCase{{"--bogus", "--help"}, ShowUsageError, ""},
        CommandLineCase{{"--data"}, ShowUsageError, ""},
        CommandLineCase{{"--data="}, ShowUsageError, ""},
        CommandLineCase{{"--data", ""}, ShowUsageError, ""},
        CommandLineCase{{"TrafficLog.dat"}, ShowUsageError, ""},
        CommandLineCase{{"-d"}, ShowUsageError, ""},
        CommandLineCase{{"--datafile=x"}, ShowUsageError, ""}));

TEST(CommandLine, UsageErrorNamesTheArgument) {
    const char* argv[] = {"corvane", "--frobnicate"};
    EXPECT_NE(ParseCommandLine(2, argv).problem.find("'--frobnicate'"), std::string::npos);
}

} // namespace
