#include "app/CommandLine.h"

#include "config_control/CommandArguments.h"
#include "config_control/SettingsFile.h"
#include "platform/ProgramPath.h"
#include "shared_memory/BaseSharedMemory.h"

#include <utility>
#include <vector>

[[maybe_unused]] static const char kCommandLineSourceRevision[] =
    "%Z% Corvane QX1002:03 CommandLine.cpp $Revision: 1.1 $";

namespace {

struct ValueOption {
    const char* name;
    const char* needs;
    std::string CommandLine::*value;
    // The longest value the program keeps whole.
    std::size_t longest;
};

// Longer than any path the system opens; a data folder's path beyond it counts as none.
constexpr int kLongestPathLooked = 65536;

constexpr ValueOption kValueOptions[] = {
    {"--data", "a file name", &CommandLine::dataFilePath, SettingsFileClass::kNameSize - 1},
    {"--name", "a block name", &CommandLine::mappingName, BaseSharedMemory::kMappingNameSize - 1},
};

constexpr ArgumentWording kWording = {
    .unknownOption = "unrecognised argument '{argument}'",
    .unexpectedArgument = "unrecognised argument '{argument}'",
    .badValue = "the value of option '{option}' {problem}",
};

CommandLine Decided(CommandLineAction action, std::string problem = {}) {
    CommandLine commandLine;
    commandLine.action = action;
    commandLine.problem = std::move(problem);
    return commandLine;
}

bool ReadArgument(CommandArguments& args, CommandLine& commandLine) {
    if (args.Is("--live")) {
        commandLine.live = args.Flag();
        return commandLine.live;
    }
    const ValueOption* option = args.Among(kValueOptions);
    const char* value = nullptr;
    if (option == nullptr) {
        return args.RefuseUnknown();
    }
    if (!args.Text(value, option->needs, option->longest)) {
        return false;
    }
    commandLine.*(option->value) = value;
    return true;
}

} // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine commandLine;
    CommandArguments args(argc, argv, 1, kWording);
    while (args.Next()) {
        if (!ReadArgument(args, commandLine)) {
            return Decided(CommandLineAction::ShowUsageError, args.FullErrorText());
        }
    }
    switch (args.Request()) {
    case ArgumentRequest::Help:
        return Decided(CommandLineAction::ShowHelp);
    case ArgumentRequest::Version:
        return Decided(CommandLineAction::ShowVersion);
    case ArgumentRequest::None:
        break;
    }
    return commandLine;
}

DefaultDataPath FindDefaultDataPath() {
    DefaultDataPath found;
    char path[SettingsFileClass::kNameSize];
    if (GetTrafficDataFilePath(path, SettingsFileClass::kNameSize)) {
        found.outcome = DefaultDataPathOutcome::Found;
        found.path = path;
        return found;
    }
    std::vector<char> longer(kLongestPathLooked);
    if (GetTrafficDataFilePath(longer.data(), kLongestPathLooked)) {
        found.outcome = DefaultDataPathOutcome::TooLong;
    }
    return found;
}

namespace {

// `defaultDataFile` goes on from "instead of" in the help of --data: where the data file is when
// no --data names one.
std::string UsageTextOf(const char* program, const char* defaultDataFile) {
    return std::string("Usage: ") + program + " [--data FILE] [--name NAME]\n       " + program +
           " --live [--data FILE] [--name NAME]\n"
           "Plays recorded air traffic into the flight simulator's visual system through the\n"
           "shared block \"VisualInterface\", and plays the TCAS aural alerts it requests.\n"
           "\n"
           "  --data FILE  read the traffic data from FILE (a regular file, at most 1023\n"
           "               characters) instead of" +
           defaultDataFile +
           "  --name NAME  feed the shared block NAME (at most 127 characters) instead of\n"
           "               \"VisualInterface\", as corvane-sim --name NAME does\n"
           "  --live       feed the newest complete entry of a data file that is still being\n"
           "               recorded (trafficlog record), every 10 s, instead of playing the\n"
           "               file from its top\n"
           "  -h, --help   show this help and exit\n"
           "  --version    show the version and exit\n"
           "\n" +
           kValueRulesHelp;
}

} // namespace

const char* UsageText() {
    static const std::string text =
        UsageTextOf("corvane", " $XDG_DATA_HOME/Brenwick/AddOns/TrafficLog.dat\n"
                               "               (with XDG_DATA_HOME unset: "
                               "~/.local/share/Brenwick/AddOns/TrafficLog.dat)\n") +
        "\n"
        "On a terminal: a About, m minimise, r restore, q or Ctrl-C close.\n"
        "Without a terminal every change of the title or of a display line is written as\n"
        "one line with its UTC time; SIGINT and SIGTERM close the program as closing its\n"
        "window does.\n";
    return text.c_str();
}

const char* WindowsUsageText() {
    static const std::string text = UsageTextOf(
        "Corvane.exe", "\n               C:\\Program Files\\Brenwick\\AddOns\\TrafficLog.dat\n");
    return text.c_str();
}
