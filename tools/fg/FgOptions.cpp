#include "tools/fg/FgOptions.h"

#include "config_control/CommandArguments.h"
#include "config_control/ProductVersion.h"
#include "shared_memory/BaseSharedMemory.h"
#include "shared_memory/VisualShm.h"
#include "text_functions/TextFunctions.h"

#include <string>
#include <string_view>

namespace {
// Longer silences than a day are a mistake, not a wish.
constexpr double kMaxSilenceSeconds = 86400;
constexpr std::int64_t kLastPort = 65535;
constexpr std::size_t kLongestMatchQuery = 32;

constexpr char kAddressNeeds[] = "[HOST:]PORT with a port from 1 to 65535";
constexpr char kSecondsNeeds[] = "a number of seconds above 0 and at most 86400";

constexpr ArgumentWording kWording = {
    .unknownOption = "unrecognised argument '{argument}'",
    .unexpectedArgument = "unrecognised argument '{argument}'",
    .takesNoValue = "unrecognised argument '{argument}'",
    .missingValue = "option '{option}' needs a value",
    .emptyValue = "option '{option}' needs {needs}, not '{value}'",
    .badValue = "option '{option}' needs {needs}, not '{value}'",
};

bool ReadSeconds(const char* text, double& seconds) {
    double read = 0;
    if (ReadNumberList(text, 1, &read) != NumberList::Read || read <= 0 ||
        read > kMaxSilenceSeconds) {
        return false;
    }
    seconds = read;
    return true;
}

// "[HOST:]PORT"; without a host the host stays as it was.
bool ReadAddress(std::string_view text, char (&host)[kHostSize], std::uint16_t& port) {
    const std::size_t colon = text.rfind(':');
    const bool hasHost = colon != std::string_view::npos;
    const std::string name(hasHost ? text.substr(0, colon) : std::string_view());
    const std::string_view portText = hasHost ? text.substr(colon + 1) : text;
    std::int64_t number = 0;
    if ((hasHost && (name.empty() || name.size() >= kHostSize)) ||
        ReadWholeNumber(portText, 1, kLastPort, number) != WholeNumberReading::Read) {
        return false;
    }
    port = static_cast<std::uint16_t>(number);
    if (hasHost) {
        CopyBounded(host, name.c_str(), kHostSize);
    }
    return true;
}

constexpr std::size_t kAnyLength = CommandArguments::kAnyLength;
constexpr char kPathNeeds[] = "a file or folder name";

// Where a value goes: false when it is not of the option's form.
using StoreValue = bool (*)(const char* value, FgOptions& options);

template <std::string FgOptions::*Path> bool StorePath(const char* value, FgOptions& options) {
    options.*Path = value;
    return true;
}

template <char (FgOptions::*Host)[kHostSize], std::uint16_t FgOptions::*Port>
bool StoreAddress(const char* value, FgOptions& options) {
    return ReadAddress(value, options.*Host, options.*Port);
}

template <auto Field> bool StoreSetting(const char* value, FgOptions& options) {
    CopyBounded(options.settings.*Field, value, sizeof(options.settings.*Field));
    return true;
}

bool StoreName(const char* value, FgOptions& options) {
    // Kept by address: the name must outlive the parse, as argv does.
    options.name = value;
    return true;
}

bool StoreMatch(const char* value, FgOptions& options) {
    options.matchQuery = value;
    options.action = FgAction::Match;
    return true;
}

bool StoreSilence(const char* value, FgOptions& options) {
    return ReadSeconds(value, options.settings.endAfterSilence);
}

struct ValueOption {
    const char* name;
    const char* needs;
    std::size_t longest;
    StoreValue store;
};

constexpr ValueOption kValueOptions[] = {
    {"--name", "a block name of 1 to 127 characters", BaseSharedMemory::kMappingNameSize - 1,
     StoreName},
    {"--listen", kAddressNeeds, kAnyLength,
     StoreAddress<&FgOptions::listenHost, &FgOptions::listenPort>},
    {"--send", kAddressNeeds, kAnyLength, StoreAddress<&FgOptions::sendHost, &FgOptions::sendPort>},
    {"--fg-telnet", kAddressNeeds, kAnyLength,
     StoreAddress<&FgOptions::telnetHost, &FgOptions::telnetPort>},
    {"--model", "a model path of 1 to 95 characters", kMpModelSize - 1,
     StoreSetting<&FgSettings::model>},
    {"--own-callsign", "a callsign of 1 to 7 characters, as FlightGear's --callsign",
     kMpCallsignSize - 1, StoreSetting<&FgSettings::ownCallsign>},
    {"--fg-root", kPathNeeds, kAnyLength, StorePath<&FgOptions::fgRoot>},
    {"--geoid", kPathNeeds, kAnyLength, StorePath<&FgOptions::geoid>},
    {"--aircraft-db", kPathNeeds, kAnyLength, StorePath<&FgOptions::aircraftDb>},
    {"--models", kPathNeeds, kAnyLength, StorePath<&FgOptions::modelTable>},
    {"--match", "CALLSIGN[/ADDRESS]", kLongestMatchQuery, StoreMatch},
    {"--end-after-silence", kSecondsNeeds, kAnyLength, StoreSilence},
};

bool ReadArgument(CommandArguments& args, FgOptions& options) {
    const struct {
        const char* name;
        bool* flag;
        bool value; // what the option sets it to
    } flags[] = {{"--keep-running", &options.settings.keepRunning, true},
                 {"--no-tcas", &options.settings.tcas, false},
                 {"--log", &options.logLines, true},
                 {"--live", &options.live, true}};
    for (const auto& flag : flags) {
        if (args.Is(flag.name)) {
            if (!args.Flag()) {
                return false;
            }
            *flag.flag = flag.value;
            return true;
        }
    }
    const ValueOption* option = args.Among(kValueOptions);
    const char* value = nullptr;
    if (option == nullptr) {
        return args.RefuseUnknown();
    }
    return args.Text(value, option->needs, option->longest) &&
           (option->store(value, options) || args.RefuseValue("is not of the option's form"));
}
} // namespace

bool FgOptionParser::Parse(int argc, const char* const* argv, FgOptions& options) {
    CommandArguments args(argc, argv, 1, kWording);
    while (args.Next()) {
        if (!ReadArgument(args, options)) {
            SetErrorText(args.FullErrorText().c_str());
            return false;
        }
    }
    if (args.Request() == ArgumentRequest::Help) {
        options.action = FgAction::Help;
    } else if (args.Request() == ArgumentRequest::Version) {
        options.action = FgAction::Version;
    }
    return true;
}

namespace {
const char* UsageOptionsText() {
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
           "  --fg-telnet [HOST:]PORT  FlightGear's property server (fgfs --telnet=PORT\n"
           "                           --allow-nasal-from-sockets): aircraft on the ground\n"
           "                           stand on FlightGear's own ground; without it, at\n"
           "                           their airport's field elevation (default none;\n"
           "                           HOST 127.0.0.1)\n"
           "  --own-callsign CALLSIGN  the own-ship is the FlightGear that sends with this\n"
           "                           callsign (fgfs --callsign); by default the first one\n"
           "                           heard. The position messages of any other sender are\n"
           "                           ignored\n"
           "  --model PATH             the model FlightGear draws for an aircraft no\n"
           "                           better one is found for, below its data folder\n"
           "                           (default Aircraft/ufo/Models/ufo.xml)\n"
           "  --fg-root DIR            FlightGear's data folder, whose AI aircraft draw\n"
           "                           each aircraft as its type and airline (default\n"
           "                           FG_ROOT, else the usual place); its airports place\n"
           "                           aircraft on the ground\n"
           "  --geoid FILE             the geoid grid (.gtx) that takes recorded heights\n"
           "                           above the ellipsoid to FlightGear's, above sea\n"
           "                           level (default egm96_15.gtx of PROJ's data, as\n"
           "                           Debian's proj-data installs it)\n"
           "  --aircraft-db FILE       an aircraft database by ICAO address (.csv or\n"
           "                           .csv.gz, the OpenSky Network's columns) for each\n"
           "                           aircraft's registration, type and operator\n"
           "  --models FILE            the user's model table: lines of CALLSIGN, callsign\n"
           "                           prefix or 6-digit ADDRESS, then a model path; it\n"
           "                           comes before every other choice (at most 4 MiB)\n"
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
           "\n";
}

const char* UsageNotesText() {
    return "FlightGear meets the default addresses when started with\n"
           "fgfs --multiplay=out,10,127.0.0.1,5002 --multiplay=in,10,127.0.0.1,5000.\n"
           "\n"
           "Record altitudes are taken as metres, speeds and vertical rates as m/s, tracks\n"
           "as degrees true. Heights are sent above mean sea level, as FlightGear's world\n"
           "has them: a geometric height less the geoid's undulation there, else the\n"
           "barometric altitude. An aircraft within 5 km of an airport, slower than 50 kt,\n"
           "without a height or within 100 ft of the ground, stands on the ground, level.\n"
           "A record beyond what aircraft fly (over 2000 kt, or climbing or descending at\n"
           "over 30000 ft/min) is shown at its fix, not moved on; one outside\n"
           "-1500 to 60000 m is left out. On a terminal: q or Ctrl-C ends the bridge (the\n"
           "simulation ends with it unless --keep-running).\n"
           "Exit codes: 0 after a normal end, 1 when the block or the port cannot be used\n"
           "or the block was removed (without --keep-running), 2 on a usage error.\n";
}
} // namespace

const char* FgUsageText() {
    static const std::string text =
        std::string(UsageOptionsText()) + kValueRulesHelp + "\n" + UsageNotesText();
    return text.c_str();
}

const char* FgVersionText() {
    static char text[96];
    // help2man puts the first line in the manual page's footer, which has room for no more.
    FormatBounded(text, sizeof text, "corvane-fg (%s)\nblock version tag %s", kProductVersion,
                  CVisShm::VersionTag());
    return text;
}
