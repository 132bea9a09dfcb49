#include "app/CommandLine.h"

#include "config_control/SettingsFile.h"
#include "platform/ProgramPath.h"
#include "shared_memory/BaseSharedMemory.h"

#include <string_view>
#include <utility>
#include <vector>

[[maybe_unused]] static const char kCommandLineSourceRevision[] =
    "%Z% Corvane QX1002:03 CommandLine.cpp $Revision: 1.1 $";

namespace {

struct ValueOption {
    std::string_view name;
    const char* valueKind;
    std::string CommandLine::*value;
    // The longest value the program keeps whole.
    std::size_t maxLength;
};

// Longer than any path the system opens; a data folder's path beyond it counts as none.
constexpr int kLongestPathLooked = 65536;

constexpr ValueOption kValueOptions[] = {
    {"--data", "a file name", &CommandLine::dataFilePath, SettingsFileClass::kNameSize - 1},
    {"--name", "a block name", &CommandLine::mappingName, BaseSharedMemory::kMappingNameSize - 1},
};

CommandLine UsageError(std::string problem) {
    CommandLine commandLine;
    commandLine.action = CommandLineAction::ShowUsageError;
    commandLine.problem = std::move(problem);
    return commandLine;
}

CommandLine Decided(CommandLineAction action) {
    CommandLine commandLine;
    commandLine.action = action;
    return commandLine;
}

// The option that `argument` names, as "--name VALUE" or "--name=VALUE"; null for none. `value`
// is set for the second form.
const ValueOption* FindValueOption(std::string_view argument, std::string_view& value,
                                   bool& valueAttached) {
    for (const ValueOption& option : kValueOptions) {
        if (argument == option.name) {
            valueAttached = false;
            return &option;
        }
        if (argument.starts_with(option.name) && argument.size() > option.name.size() &&
            argument[option.name.size()] == '=') {
            value = argument.substr(option.name.size() + 1);
            valueAttached = true;
            return &option;
        }
    }
    return nullptr;
}

} // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine commandLine;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i] != nullptr ? argv[i] : "";
        if (argument == "--help" || argument == "-h") {
            return Decided(CommandLineAction::ShowHelp);
        }
        if (argument == "--version") {
            return Decided(CommandLineAction::ShowVersion);
        }
        if (argument == "--live") {
            commandLine.live = true;
            continue;
        }
        std::string_view value;
        bool valueAttached = false;
        const ValueOption* option = FindValueOption(argument, value, valueAttached);
        if (option == nullptr) {
            return UsageError("unrecognised argument '" + std::string(argument) + "'");
        }
        const std::string name(option->name);
        const std::string needsValue = "option '" + name + "' needs " + option->valueKind;
        if (!valueAttached) {
            if (i + 1 >= argc || argv[i + 1] == nullptr) {
                return UsageError(needsValue);
            }
            value = argv[++i];
        }
        if (value.empty()) {
            return UsageError(needsValue);
        }
        if (value.size() > option->maxLength) {
            return UsageError("the value of option '" + name + "' is longer than " +
                              std::to_string(option->maxLength) + " characters");
        }
        commandLine.*(option->value) = value;
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

const char* UsageText() {
    return "Usage: corvane [--data FILE] [--name NAME]\n"
           "       corvane --live [--data FILE] [--name NAME]\n"
           "Plays recorded air traffic into the flight simulator's visual system through the\n"
           "shared block \"VisualInterface\", and plays the TCAS aural alerts it requests.\n"
           "\n"
           "  --data FILE  read the traffic data from FILE (a regular file, at most 1023\n"
           "               characters) instead of $XDG_DATA_HOME/Brenwick/AddOns/TrafficLog.dat\n"
           "               (with XDG_DATA_HOME unset: "
           "~/.local/share/Brenwick/AddOns/TrafficLog.dat)\n"
           "  --name NAME  feed the shared block NAME (at most 127 characters) instead of\n"
           "               \"VisualInterface\", as corvane-sim --name NAME does\n"
           "  --live       feed the newest complete entry of a data file that is still being\n"
           "               recorded (trafficlog record), every 10 s, instead of playing the\n"
           "               file from its top\n"
           "  -h, --help   show this help and exit\n"
           "  --version    show the version and exit\n"
           "\n"
           "On a terminal: a About, m minimise, r restore, q or Ctrl-C close.\n"
           "Without a terminal every change of the title or of a display line is written as\n"
           "one line with its UTC time; SIGINT and SIGTERM close the program as closing its\n"
           "window does.\n";
}
