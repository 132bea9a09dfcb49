#include "app/CommandLine.h"

#include <string_view>
#include <utility>

[[maybe_unused]] static const char kCommandLineSourceRevision[] =
    "%Z% Corvane QX1002:03 CommandLine.cpp $Revision: 1.1 $";

namespace {

constexpr std::string_view kDataOption = "--data";
constexpr std::string_view kDataOptionWithValue = "--data=";

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
        std::string_view path;
        if (argument == kDataOption) {
            if (i + 1 >= argc || argv[i + 1] == nullptr) {
                return UsageError("option '--data' needs a file name");
            }
            path = argv[++i];
        } else if (argument.starts_with(kDataOptionWithValue)) {
            path = argument.substr(kDataOptionWithValue.size());
        } else {
            return UsageError("unrecognised argument '" + std::string(argument) + "'");
        }
        if (path.empty()) {
            return UsageError("option '--data' needs a file name");
        }
        commandLine.dataFilePath = path;
    }
    return commandLine;
}

const char* UsageText() {
    return "Usage: corvane [--data FILE]\n"
           "Plays recorded air traffic into the flight simulator's visual system through the\n"
           "shared block \"VisualInterface\", and plays the TCAS aural alerts it requests.\n"
           "\n"
           "  --data FILE  read the traffic data from FILE instead of\n"
           "               $XDG_DATA_HOME/Brenwick/AddOns/TrafficLog.dat (with XDG_DATA_HOME\n"
           "               unset: ~/.local/share/Brenwick/AddOns/TrafficLog.dat)\n"
           "  -h, --help   show this help and exit\n"
           "  --version    show the version and exit\n"
           "\n"
           "On a terminal: a About, m minimise, r restore, q or Ctrl-C close.\n"
           "Without a terminal every change of the title or of a display line is written as\n"
           "one line; SIGINT and SIGTERM close the program as closing its window does.\n";
}
