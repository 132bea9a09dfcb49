#include "tools/trafficlog/console/TrafficLogHelp.h"

#include "config_control/CommandArguments.h"

#include <cstring>

namespace {
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
    {"convert", "convert [OPTION]... INPUT... DATA_FILE", "turn recorded traffic into a data file",
     "Usage: trafficlog convert [--around LAT,LON,RADIUS_NM] [--box S,W,N,E]\n"
     "         [--from TIME] [--to TIME] [--stale SECONDS] [--keep-ground]\n"
     "         [--max-report N] [--threads N] INPUT... DATA_FILE\n",
     "Turns recordings into one data file, one entry per time, times ascending across\n"
     "the inputs. An INPUT is an OpenSky state-vector CSV file or a BaseStation log,\n"
     "plain, gzip-compressed or in a tar archive as published (every recording in\n"
     "it, in order; the archive may be gzip-compressed too); '-' reads standard\n"
     "input. Rows without a position, stale rows, aircraft on the ground and values\n"
     "no aircraft flies are dropped; bad rows are listed with their line numbers.\n"
     "An entry keeps at most 6999 aircraft, the nearest to the region's centre\n"
     "(without a region, to the first snapshot's mean position). DATA_FILE is\n"
     "written under a temporary name beside it and put in its place at the end (a\n"
     "link is written through: the file it names is replaced); it may not be one of\n"
     "the inputs.\n",
     "  --around LAT,LON,RADIUS_NM  keep the aircraft within RADIUS_NM nautical miles\n"
     "                    of LAT,LON (degrees)\n"
     "  --box S,W,N,E     keep the aircraft within the box (degrees; W above E\n"
     "                    crosses the 180th meridian)\n"
     "  --from TIME       leave out what comes before TIME: seconds since 1970, or\n"
     "                    a UTC time such as 2022-06-27T12:00:00Z\n"
     "  --to TIME         leave out what comes after TIME\n"
     "  --stale S         drop positions whose last contact or update is over S\n"
     "                    seconds old, 0 to 86400 (default 15)\n"
     "  --keep-ground     keep aircraft on the ground\n"
     "  --max-report N    list at most N bad rows (default 100; 0 lists all)\n"
     "  --threads N       1 does all on one thread; 2 unpacks on a second one\n"
     "                    (default 2 where the machine has two cores)\n",
     "0 converted, 1 rows could not be placed (an unsorted input: nothing\n"
     "written; an input that goes back in time: left out), 2 a usage error or a file\n"
     "that cannot be read or written"},
    {"record", "record --sbs HOST:PORT --out FILE [OPTION]...",
     "record a receiver's BaseStation feed into a data file",
     "Usage: trafficlog record --sbs HOST:PORT --out FILE [--duration SECONDS]\n"
     "         [--around LAT,LON,RADIUS_NM] [--box S,W,N,E] [--stale SECONDS]\n",
     "Records the BaseStation messages a receiver serves (dump1090 and others, port\n"
     "30003) into a data file, an entry every 10 s, each written to disk as it\n"
     "completes. A stop (Ctrl-C, SIGTERM or the end of the duration) writes the end\n"
     "tags; a file cut short holds every entry up to the last. When the feed drops,\n"
     "it connects again; while tries fail or bring no message, it waits longer\n"
     "after each, up to a minute, and says so once per try. A recording that never\n"
     "received a message is removed.\n",
     "  --sbs HOST:PORT   the receiver's BaseStation port, e.g. localhost:30003\n"
     "  --out FILE        the data file to write; a recording there is never\n"
     "                    written over\n"
     "  --duration S      seconds to record, 1 to 31622400 (default: until stopped)\n"
     "  --around LAT,LON,RADIUS_NM, --box S,W,N,E  keep the aircraft of a region,\n"
     "                    as for convert\n"
     "  --stale S         leave out aircraft without a position in the last S\n"
     "                    seconds, 0 to 3600 (default 15)\n",
     "0 recorded and closed, 1 no message came from the feed (no file left),\n"
     "2 a usage error or a data file that cannot be written"},
    {"serve", "serve --sbs PORT [OPTION]... LOG",
     "serve a BaseStation log as a receiver would, as of now",
     "Usage: trafficlog serve --sbs PORT [--speed X] [--loop] LOG\n",
     "Serves a BaseStation log (plain or gzip-compressed) on a TCP port of every\n"
     "IPv4 address, as a receiver serves port 30003: every client is sent each\n"
     "message when its time comes, at the log's own pace, with its date and time\n"
     "(UTC) moved to now, so that 'record' and the feeder take the log for live\n"
     "traffic. A jump of the log's clock by over a minute is passed over. Lines\n"
     "that are no message with a date and time are skipped and counted. A client\n"
     "that reads too slowly loses whole lines once a megabyte waits for it; the\n"
     "others never wait for it; beyond 64 clients a new one is closed at once.\n"
     "Ctrl-C or SIGTERM ends it.\n",
     "  --sbs PORT        the port to serve on, 1 to 65535\n"
     "  --speed X         play X times as fast, 0.01 to 1000 (default 1)\n"
     "  --loop            start again from the top a second after the end of the log\n",
     "0 served to the end or stopped, 1 no message in the log,\n"
     "2 a usage error, a port in use or a log that cannot be read"},
    {"check", "check [OPTION]... FILE", "list what in FILE would make the feeder misbehave",
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
                       "Makes, converts, records, checks and scans the traffic data files that "
                       "Corvane\nplays, and serves BaseStation logs as a receiver "
                       "would.\n'trafficlog COMMAND --help' shows the help of one command.\n"
                       "\nCommands:\n";
    for (const CommandHelp& help : kCommands) {
        text += std::string("  ") + help.synopsis + "\n" + kSummaryIndent + help.summary + "\n";
    }
    text += std::string("\nOptions:\n") + kHelpAndVersion;
    for (const CommandHelp& help : kCommands) {
        text += std::string("\nOptions of ") + help.command + ":\n" + help.options;
    }
    text += std::string("\n") + kValueRulesHelp;
    text += "\nExit codes: 0 success (check: a clean file); 1 convert could not place rows,\n"
            "check found faults, scan found no entry to play, record heard no message or\n"
            "serve found none; 2 a usage error, a port in use, or a file that cannot be\n"
            "read or written.\n";
    return text;
}

std::string OfCommand(const CommandHelp& help) {
    return std::string(help.usage) + help.description + "\n" + help.options + kHelpAndVersion +
           "\nExit codes: " + help.exitCodes + ".\n";
}
} // namespace

std::string TrafficLogHelp(const char* command) {
    for (const CommandHelp& help : kCommands) {
        if (command != nullptr && std::strcmp(command, help.command) == 0) {
            return OfCommand(help);
        }
    }
    return Overview();
}
