#include "tools/fg/FgOptions.h"

#include "config_control/ProductVersion.h"
#include "shared_memory/VisualShm.h"
#include "text_functions/TextFunctions.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {
// Longer silences than a day are a mistake, not a wish.
constexpr double kMaxSilenceSeconds = 86400;

bool ReadSeconds(const std::string& text, double& seconds) {
    char* end = nullptr;
    seconds = std::strtod(text.c_str(), &end);
    return !text.empty() && end != nullptr && *end == '\0' && std::isfinite(seconds) &&
           seconds > 0 && seconds <= kMaxSilenceSeconds;
}

bool ReadPort(std::string_view text, std::uint16_t& port) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    unsigned value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    port = static_cast<std::uint16_t>(value);
    return value >= 1 && value <= 65535;
}

// "[HOST:]PORT"; without a host the host stays as it was.
bool ReadAddress(const std::string& text, char (&host)[kHostSize], std::uint16_t& port) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos) {
        return ReadPort(text, port);
    }
    const std::string name = text.substr(0, colon);
    if (name.empty() || name.size() >= kHostSize || !ReadPort(text.substr(colon + 1), port)) {
        return false;
    }
    CopyBounded(host, name.c_str(), kHostSize);
    return true;
}

bool Flag(std::string_view option, FgOptions& options) {
    if (option == "--keep-running") {
        options.settings.keepRunning = true;
    } else if (option == "--no-tcas") {
        options.settings.tcas = false;
    } else if (option == "--log") {
        options.logLines = true;
    } else if (option == "--live") {
        options.live = true;
    } else {
        return false;
    }
    return true;
}

bool TakesValue(std::string_view option) {
    return option == "--name" || option == "--listen" || option == "--send" ||
           option == "--model" || option == "--end-after-silence" || option == "--own-callsign" ||
           option == "--fg-root" || option == "--aircraft-db" || option == "--models" ||
           option == "--match";
}

// The options that name a file or a folder, and where their value goes.
std::string* PathOption(std::string_view option, FgOptions& options) {
    if (option == "--fg-root") {
        return &options.fgRoot;
    }
    if (option == "--aircraft-db") {
        return &options.aircraftDb;
    }
    return option == "--models" ? &options.modelTable : nullptr;
}
} // namespace

bool FgOptionParser::Parse(int argc, const char* const* argv, FgOptions& options) {
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i] != nullptr ? argv[i] : "";
        std::string value;
        bool hasValue = false;
        if (const std::size_t equals = option.find('=');
            option.starts_with("--") && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option.resize(equals);
            hasValue = true;
        }
        if (option == "-h" || option == "--help") {
            options.action = FgAction::Help;
            return true;
        }
        if (option == "--version") {
            options.action = FgAction::Version;
            return true;
        }
        if (!TakesValue(option)) {
            if (hasValue || !Flag(option, options)) {
                SetErrorText(("unrecognised argument '" + std::string(argv[i]) + "'").c_str());
                return false;
            }
            continue;
        }
        if (!hasValue) {
            if (i + 1 >= argc || argv[i + 1] == nullptr) {
                SetErrorText(("option '" + option + "' needs a value").c_str());
                return false;
            }
            value = argv[++i];
        }
        const char* problem = nullptr;
        if (std::string* path = PathOption(option, options); path != nullptr) {
            *path = value;
            problem = value.empty() ? "a file or folder name" : nullptr;
        } else if (option == "--match") {
            options.matchQuery = value;
            options.action = FgAction::Match;
            problem = value.empty() || value.size() > 32 ? "CALLSIGN[/ADDRESS]" : nullptr;
        } else if (option == "--name") {
            // The name is kept by address: it must outlive the parse, as argv does.
            options.name = hasValue ? argv[i] + std::strlen("--name=") : argv[i];
            problem = value.empty() || value.size() >= 128 ? "a block name of 1 to 127 characters"
                                                           : nullptr;
        } else if (option == "--listen") {
            problem = ReadAddress(value, options.listenHost, options.listenPort)
                          ? nullptr
                          : "[HOST:]PORT with a port from 1 to 65535";
        } else if (option == "--send") {
            problem = ReadAddress(value, options.sendHost, options.sendPort)
                          ? nullptr
                          : "[HOST:]PORT with a port from 1 to 65535";
        } else if (option == "--model") {
            problem = value.empty() || value.size() >= kMpModelSize
                          ? "a model path of 1 to 95 characters"
                          : nullptr;
            CopyBounded(options.settings.model, value.c_str(), kMpModelSize);
        } else if (option == "--own-callsign") {
            problem = value.empty() || value.size() >= kMpCallsignSize
                          ? "a callsign of 1 to 7 characters, as FlightGear's --callsign"
                          : nullptr;
            CopyBounded(options.settings.ownCallsign, value.c_str(), kMpCallsignSize);
        } else {
            problem = ReadSeconds(value, options.settings.endAfterSilence)
                          ? nullptr
                          : "a number of seconds above 0 and at most 86400";
        }
        if (problem != nullptr) {
            SetErrorText(
                ("option '" + option + "' needs " + problem + ", not '" + value + "'").c_str());
            return false;
        }
    }
    return true;
}

const char* FgUsageText() {
    return "Usage: corvane-fg [OPTION]...\n"
           "Plays the simulator's side of the shared block \"VisualInterface\" with\n"
           "FlightGear as the simulator: FlightGear's position becomes the own-ship, the\n"
           "aircraft the feeder publishes fly in FlightGear, and their threats raise the\n"
           "TCAS alerts.\n"
           "\n"
           "  --name NAME              the shared block's name (default VisualInterface)\n"
           "  --listen [HOST:]PORT     where FlightGear sends its own position, its\n"
           "                           --multiplay=out (default 127.0.0.1:5002)\n"
           "  --send [HOST:]PORT       where FlightGear takes other aircraft, its\n"
           "                           --multiplay=in (default 127.0.0.1:5000); never where\n"
           "                           the bridge listens\n"
           "  --own-callsign CALLSIGN  the own-ship is the FlightGear that sends with this\n"
           "                           callsign (fgfs --callsign); by default the first one\n"
           "                           heard. The position messages of any other sender are\n"
           "                           ignored\n"
           "  --model PATH             the model FlightGear draws for an aircraft no\n"
           "                           better one is found for, below its data folder\n"
           "                           (default Aircraft/ufo/Models/ufo.xml)\n"
           "  --fg-root DIR            FlightGear's data folder, whose AI aircraft draw\n"
           "                           each aircraft as its type and airline (default\n"
           "                           FG_ROOT, else the usual place)\n"
           "  --aircraft-db FILE       an aircraft database by ICAO address (.csv or\n"
           "                           .csv.gz, the OpenSky Network's columns) for each\n"
           "                           aircraft's registration, type and operator\n"
           "  --models FILE            the user's model table: lines of CALLSIGN, callsign\n"
           "                           prefix or 6-digit ADDRESS, then a model path; it\n"
           "                           comes before every other choice\n"
           "  --match CALLSIGN[/ADDRESS]\n"
           "                           show the model chosen for such an aircraft and why,\n"
           "                           and exit\n"
           "  --end-after-silence S    when FlightGear has sent nothing for S seconds\n"
           "                           (default 15), report the end of the simulation, so\n"
           "                           that the feeder ends itself, and end 8 s later\n"
           "  --keep-running           never report the end of the simulation on silence,\n"
           "                           and go on with a fresh block when the block is\n"
           "                           removed\n"
           "  --no-tcas                raise no TCAS alerts (the request stays at silence)\n"
           "  --live                   live traffic (corvane --live): move each aircraft on\n"
           "                           from the receiver's time of its record, so that it\n"
           "                           is shown where it is now; a record over 60 s old is\n"
           "                           shown where it was seen, one dated in the future as\n"
           "                           of now. The receiver's clock and this machine's must\n"
           "                           agree (NTP)\n"
           "  --log                    log lines even on a terminal\n"
           "  -h, --help               show this help and exit\n"
           "  --version                show the version and exit\n"
           "\n"
           "FlightGear meets the default addresses when started with\n"
           "fgfs --multiplay=out,10,127.0.0.1,5002 --multiplay=in,10,127.0.0.1,5000.\n"
           "\n"
           "Record altitudes are taken as metres, speeds and vertical rates as m/s, tracks\n"
           "as degrees true. A record beyond what aircraft fly (over 2000 kt, or climbing\n"
           "or descending at over 30000 ft/min) is shown at its fix, not moved on; one\n"
           "outside -1500 to 60000 m is left out. On a terminal: q or Ctrl-C ends the\n"
           "bridge (the simulation ends with it unless --keep-running).\n"
           "Exit codes: 0 after a normal end, 1 when the block or the port cannot be used\n"
           "or the block was removed (without --keep-running), 2 on a usage error.\n";
}

const char* FgVersionText() {
    static char text[96];
    // help2man puts the first line in the manual page's footer, which has room for no more.
    FormatBounded(text, sizeof text, "corvane-fg (%s)\nblock version tag %s", kProductVersion,
                  CVisShm::VersionTag());
    return text;
}
