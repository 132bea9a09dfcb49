#include "tools/trafficlog/TrafficLogHelp.h"

#include "config_control/ConfigControl.h"

#include <cstring>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:47 TrafficLogHelp.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kTrafficLogHelpHeaderRevision, kRevision});
}

const char kOverview[] =
    "Usage: trafficlog COMMAND [OPTION]... [FILE]...\n"
    "Makes, converts, checks and scans the traffic data files that Corvane plays.\n"
    "\n"
    "  trafficlog generate [--out FILE] [--duration SECONDS] [--density FLIGHTS_PER_HOUR]\n"
    "                      [--seed N] [--start UNIX_TIME]\n"
    "      writes a repeatable sample recording\n"
    "  trafficlog convert [--stale SECONDS] [--max-report N] CSV_FILE DATA_FILE\n"
    "      turns an OpenSky state-vector CSV file into a data file\n"
    "  trafficlog check [--max-report N] FILE\n"
    "      lists everything in FILE that would make the feeder misbehave\n"
    "  trafficlog scan --own LAT,LON [--records] FILE\n"
    "      plays FILE through the feeder's reader and view box at one own-ship position\n"
    "\n"
    "  -h, --help   show this help (after a command: the command's help) and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "Exit codes: 0 success (check: a clean file); 1 check found faults, or scan found no\n"
    "entry to play; 2 a usage error, or a file that cannot be read or written.\n";

const char kGenerate[] =
    "Usage: trafficlog generate [--out FILE] [--duration SECONDS]\n"
    "                           [--density FLIGHTS_PER_HOUR] [--seed N] [--start UNIX_TIME]\n"
    "Writes a sample recording: flights between airports of southern England and northern\n"
    "France, one entry every 10 s. The same options give the same bytes.\n"
    "\n"
    "  --out FILE        the data file to write (default TrafficLog.dat in the current\n"
    "                    folder; an existing file is overwritten)\n"
    "  --duration S      seconds recorded, 0 to 2592000 (default 3600)\n"
    "  --density N       flights per hour, 0 to 5000 (default 80)\n"
    "  --seed N          0 to 18446744073709551615 (default 1)\n"
    "  --start T         time of the first entry in seconds since 1970 (default 1717228800,\n"
    "                    2024-06-01 08:00 UTC); every time written must be at most\n"
    "                    2147483647, the last a data file holds\n"
    "  -h, --help        show this help and exit\n"
    "  --version         show the version and exit\n"
    "\n"
    "Exit codes: 0 written, 2 a usage error or a file that cannot be written.\n";

const char kConvert[] =
    "Usage: trafficlog convert [--stale SECONDS] [--max-report N] CSV_FILE DATA_FILE\n"
    "Turns an OpenSky state-vector CSV file, sorted by time, into a data file with one entry\n"
    "per time. Rows without a position and rows whose last contact is older than the stale\n"
    "limit are dropped; bad rows are listed with their line numbers.\n"
    "\n"
    "  --stale S         drop rows whose last contact is more than S seconds old (default 15)\n"
    "  --max-report N    list at most N bad rows (default 100; 0 lists all)\n"
    "  -h, --help        show this help and exit\n"
    "  --version         show the version and exit\n"
    "\n"
    "Exit codes: 0 converted, 2 a usage error or a file that cannot be read or written.\n";

const char kCheck[] =
    "Usage: trafficlog check [--max-report N] FILE\n"
    "Lists, with line numbers, everything in FILE that would make the feeder misbehave, and\n"
    "what the feeder will do with it: tags, entry numbering, entry and line sizes, fields the\n"
    "feeder reads otherwise than they are written, control characters and tag marks.\n"
    "\n"
    "  --max-report N    list at most N findings (default 100; 0 lists all)\n"
    "  -h, --help        show this help and exit\n"
    "  --version         show the version and exit\n"
    "\n"
    "Exit codes: 0 a clean file, 1 findings, 2 a usage error or a file that cannot be read.\n";

const char kScan[] =
    "Usage: trafficlog scan --own LAT,LON [--records] FILE\n"
    "Plays FILE through the feeder's own reader and view-box filter with the own-ship at\n"
    "LAT,LON (degrees) and prints, per entry, the aircraft checked and those in view.\n"
    "\n"
    "  --own LAT,LON     the own-ship position, latitude -90 to 90, longitude -180 to 180\n"
    "  --records         also print the records the visual system would be given\n"
    "  -h, --help        show this help and exit\n"
    "  --version         show the version and exit\n"
    "\n"
    "Exit codes: 0 entries played, 1 no entry to play (an empty or broken file: 'trafficlog\n"
    "check' tells why), 2 a usage error or a file that cannot be read.\n";

struct CommandHelp {
    const char* command;
    const char* text;
};

constexpr CommandHelp kCommandHelp[] = {
    {"generate", kGenerate}, {"convert", kConvert}, {"check", kCheck}, {"scan", kScan}};
} // namespace

const char* TrafficLogHelp(const char* command) {
    RegisterModule();
    for (const CommandHelp& help : kCommandHelp) {
        if (command != nullptr && std::strcmp(command, help.command) == 0) {
            return help.text;
        }
    }
    return kOverview;
}
