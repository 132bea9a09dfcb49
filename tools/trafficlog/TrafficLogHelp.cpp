#include "tools/trafficlog/TrafficLogHelp.h"

#include "config_control/ConfigControl.h"

#include <cstring>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:47 TrafficLogHelp.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kTrafficLogHelpHeaderRevision, kRevision});
}

struct CommandHelp {
    const char* command;
    const char* synopsis; // in the overview's list, after "trafficlog "
    const char* summary;  // beside it
    const char* usage;    // the command's own first lines
    const char* description;
    const char* options;
    const char* exitCodes;
};

constexpr CommandHelp kCommands[] = {
    {"generate", "generate [OPTION]...", "write a repeatable sample recording",
     "Usage: trafficlog generate [--out FILE] [--duration SECONDS]\n"
     "         [--density FLIGHTS_PER_HOUR] [--seed N] [--start UNIX_TIME]\n",
     "Writes a sample recording: flights between airports of southern England and\n"
     "northern France, one entry every 10 s. The same options give the same bytes.\n",
     "  --out FILE        the data file to write (default TrafficLog.dat in the\n"
     "                    current folder; an existing file is overwritten)\n"
     "  --duration S      seconds recorded, 0 to 2592000 (default 3600)\n"
     "  --density N       flights per hour, 0 to 5000 (default 80)\n"
     "  --seed N          0 to 18446744073709551615 (default 1)\n"
     "  --start T         time of the first entry in seconds since 1970 (default\n"
     "                    1717228800, 2024-06-01 08:00 UTC); no time written may pass\n"
     "                    2147483647, the last a data file holds\n",
     "0 written, 2 a usage error or a file that cannot be written"},
    {"convert", "convert [OPTION]... CSV_FILE DATA_FILE",
     "turn an OpenSky state-vector CSV file into a data file",
     "Usage: trafficlog convert [--stale SECONDS] [--max-report N] CSV_FILE DATA_FILE\n",
     "Turns an OpenSky state-vector CSV file, sorted by time, into a data file with\n"
     "one entry per time. Rows without a position and rows whose last contact is\n"
     "older than the stale limit are dropped; bad rows are listed with their line\n"
     "numbers.\n",
     "  --stale S         drop rows whose last contact is over S seconds old\n"
     "                    (default 15)\n"
     "  --max-report N    list at most N bad rows (default 100; 0 lists all)\n",
     "0 converted, 2 a usage error or a file that cannot be read or\n"
     "written"},
    {"check", "check [OPTION]... FILE",
     "list everything in FILE that would make the feeder misbehave",
     "Usage: trafficlog check [--max-report N] FILE\n",
     "Lists, with line numbers, everything in FILE that would make the feeder\n"
     "misbehave, and what the feeder will do with it: tags, entry numbering, entry\n"
     "and line sizes, fields the feeder reads otherwise than they are written,\n"
     "control characters and tag marks.\n",
     "  --max-report N    list at most N findings (default 100; 0 lists all)\n",
     "0 a clean file, 1 findings, 2 a usage error or a file that cannot be\n"
     "read"},
    {"scan", "scan --own LAT,LON [OPTION]... FILE",
     "play FILE through the feeder's reader and view box",
     "Usage: trafficlog scan --own LAT,LON [--records] FILE\n",
     "Plays FILE through the feeder's own reader and view-box filter with the\n"
     "own-ship at LAT,LON (degrees) and prints, per entry, the aircraft checked and\n"
     "those in view.\n",
     "  --own LAT,LON     the own-ship position in degrees, latitude -90 to 90,\n"
     "                    longitude -180 to 180\n"
     "  --records         also print the records the visual system would be given\n",
     "0 entries played, 1 no entry to play (an empty or broken file:\n"
     "'trafficlog check' tells why), 2 a usage error or a file that cannot be read"},
};

constexpr char kSummaryIndent[] = "                    ";

const char kHelpAndVersion[] = "  -h, --help        show this help and exit\n"
                               "  --version         show the version and exit\n";

std::string Overview() {
    std::string text = "Usage: trafficlog COMMAND [OPTION]... [FILE]...\n"
                       "Makes, converts, checks and scans the traffic data files that Corvane "
                       "plays.\n'trafficlog COMMAND --help' shows the help of one command.\n"
                       "\nCommands:\n";
    for (const CommandHelp& help : kCommands) {
        text += std::string("  ") + help.synopsis + "\n" + kSummaryIndent + help.summary + "\n";
    }
    text += std::string("\nOptions:\n") + kHelpAndVersion;
    for (const CommandHelp& help : kCommands) {
        text += std::string("\nOptions of ") + help.command + ":\n" + help.options;
    }
    text += "\nExit codes: 0 success (check: a clean file); 1 check found faults, or scan found\n"
            "no entry to play; 2 a usage error, or a file that cannot be read or written.\n";
    return text;
}

std::string OfCommand(const CommandHelp& help) {
    return std::string(help.usage) + help.description + "\n" + help.options + kHelpAndVersion +
           "\nExit codes: " + help.exitCodes + ".\n";
}
} // namespace

std::string TrafficLogHelp(const char* command) {
    RegisterModule();
    for (const CommandHelp& help : kCommands) {
        if (command != nullptr && std::strcmp(command, help.command) == 0) {
            return OfCommand(help);
        }
    }
    return Overview();
}
