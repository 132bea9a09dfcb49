#include "app/CommandLine.h"
#include "config_control/CommandArguments.h"
#include "tests/support/CaseNames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct CommandLineCase {
    std::vector<const char*> arguments; // after the program name
    CommandLineAction action;
    const char* dataFilePath;
    const char* mappingName = "";
    bool live = false;
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
    EXPECT_EQ(commandLine.mappingName, c.mappingName);
    EXPECT_EQ(commandLine.live, c.live);
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
        CommandLineCase{{"--datafile=x"}, ShowUsageError, ""},
        CommandLineCase{{"--name", "Rig2"}, Run, "", "Rig2"},
        CommandLineCase{{"--name=Rig2", "--data", "a"}, Run, "a", "Rig2"},
        CommandLineCase{{"--name"}, ShowUsageError, ""},
        CommandLineCase{{"--name="}, ShowUsageError, ""},
        CommandLineCase{{"--names=x"}, ShowUsageError, ""},
        CommandLineCase{{"--live"}, Run, "", "", true},
        CommandLineCase{{"--name", "Rig2", "--live", "--data=a"}, Run, "a", "Rig2", true},
        CommandLineCase{{"--data", "--live"}, Run, "--live"}, // a file named so
        CommandLineCase{{"--live=yes"}, ShowUsageError, ""},
        CommandLineCase{{"--live", "--bogus"}, ShowUsageError, ""}),
    NamedByPrint());

TEST(CommandLine, UsageErrorNamesTheArgument) {
    const char* argv[] = {"corvane", "--frobnicate"};
    EXPECT_NE(ParseCommandLine(2, argv).problem.find("'--frobnicate'"), std::string::npos);
}

CommandLine ParseOne(const char* option, const std::string& value) {
    const std::string attached = std::string(option) + "=" + value;
    const char* separate[] = {"corvane", option, value.c_str()};
    const char* joined[] = {"corvane", attached.c_str()};
    const CommandLine first = ParseCommandLine(3, separate);
    const CommandLine second = ParseCommandLine(2, joined);
    EXPECT_EQ(first.action, second.action) << option << " of " << value.size();
    EXPECT_EQ(first.problem, second.problem);
    return first;
}

// A value cut to what the program holds would name another file or block: the longest value
// kept whole is accepted, one character more is a usage error that says why.
TEST(CommandLine, OverlongValuesAreUsageErrors) {
    struct Case {
        const char* option;
        std::size_t longest;
    };
    for (const Case c : {Case{"--data", 1023}, Case{"--name", 127}}) {
        const std::string longest(c.longest, 'a');
        const CommandLine kept = ParseOne(c.option, longest);
        EXPECT_EQ(kept.action, CommandLineAction::Run) << c.option;
        EXPECT_EQ(kept.dataFilePath.size() + kept.mappingName.size(), c.longest) << c.option;

        const CommandLine refused = ParseOne(c.option, longest + "b");
        EXPECT_EQ(refused.action, CommandLineAction::ShowUsageError) << c.option;
        const std::string limit = std::to_string(c.longest);
        EXPECT_EQ(refused.problem, std::string("the value of option '") + c.option +
                                       "' is longer than " + limit + " characters");
    }
}

// The Linux and the Windows program show the same options, each with its own name and its own
// default place for the data file, and every manual page the same words on values.
TEST(CommandLine, UsageTextsOfBothFrontEnds) {
    const std::string linux = UsageText();
    const std::string windows = WindowsUsageText();
    EXPECT_EQ(linux.rfind("Usage: corvane [--data FILE] [--name NAME]\n", 0), 0u);
    EXPECT_EQ(windows.rfind("Usage: Corvane.exe [--data FILE] [--name NAME]\n", 0), 0u);
    EXPECT_NE(linux.find("instead of $XDG_DATA_HOME/Brenwick/AddOns/TrafficLog.dat\n"),
              std::string::npos);
    EXPECT_NE(windows.find("instead of\n               C:\\Program Files\\Brenwick\\AddOns\\"
                           "TrafficLog.dat\n  --name NAME"),
              std::string::npos);
    EXPECT_EQ(windows.find("On a terminal"), std::string::npos);
    for (const std::string& text : {linux, windows}) {
        EXPECT_NE(text.find("  --version    show the version and exit\n\n" +
                            std::string(kValueRulesHelp)),
                  std::string::npos)
            << text;
    }
}

} // namespace
