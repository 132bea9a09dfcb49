#include "tools/sim/SimOptions.h"

#include "config_control/CommandArguments.h"
#include "text_functions/TextFunctions.h"

#include <cmath>
#include <string>

namespace {
constexpr double kMinAltitudeFt = -2000;
constexpr double kMaxAltitudeFt = 100000;

// Reads exactly `count` comma-separated finite numbers. False with an empty problem when the
// value does not have the option's form.
bool ReadNumbers(const char* text, int count, double* values, std::string& problem) {
    const NumberList read = ReadNumberList(text, count, values);
    if (read == NumberList::NotFinite) {
        problem = "not a finite number";
    }
    return read == NumberList::Read;
}

bool Refuse(std::string& problem, const char* text) {
    problem = text;
    return false;
}

bool CheckPosition(const double* v, std::string& problem) {
    if (std::fabs(v[0]) > 90.0) {
        return Refuse(problem, "latitude out of range (-90 to 90)");
    }
    if (std::fabs(v[1]) > 180.0) {
        return Refuse(problem, "longitude out of range (-180 to 180)");
    }
    return true;
}

bool CheckSpeed(double speedKt, std::string& problem) {
    if (speedKt < 0 || speedKt > kMaxSpeedKt) {
        return Refuse(problem, "speed out of range (0 to 2000 kt)");
    }
    return true;
}

bool ReadFixed(const char* value, SimOptions& options, std::string& problem) {
    double v[2] = {};
    if (!ReadNumbers(value, 2, v, problem) || !CheckPosition(v, problem)) {
        return false;
    }
    options.settings.route = OwnShipRoute::Fixed(v[0], v[1]);
    return true;
}

// LAT,LON,<third>,SPEED_KT with a valid position and speed.
bool ReadMovingRoute(const char* value, double* v, std::string& problem) {
    return ReadNumbers(value, 4, v, problem) && CheckPosition(v, problem) &&
           CheckSpeed(v[3], problem);
}

bool ReadLeg(const char* value, SimOptions& options, std::string& problem) {
    double v[4] = {};
    if (!ReadMovingRoute(value, v, problem)) {
        return false;
    }
    options.settings.route = OwnShipRoute::Leg(v[0], v[1], v[2], v[3]);
    return true;
}

bool ReadLoop(const char* value, SimOptions& options, std::string& problem) {
    double v[4] = {};
    if (!ReadMovingRoute(value, v, problem)) {
        return false;
    }
    if (v[2] <= 0 || v[2] > kMaxLoopRadiusNm) {
        return Refuse(problem, "radius out of range (above 0 up to 1000 NM)");
    }
    options.settings.route = OwnShipRoute::Loop(v[0], v[1], v[2], v[3]);
    return true;
}

bool ReadAltitude(const char* value, SimOptions& options, std::string& problem) {
    double feet = 0;
    if (!ReadNumbers(value, 1, &feet, problem)) {
        return false;
    }
    if (feet < kMinAltitudeFt || feet > kMaxAltitudeFt) {
        return Refuse(problem, "altitude out of range (-2000 to 100000 ft)");
    }
    options.settings.ownAltitudeFt = feet;
    return true;
}

bool ReadEnd(const char* value, SimOptions& options, std::string& problem) {
    double seconds = 0;
    if (!ReadNumbers(value, 1, &seconds, problem)) {
        return false;
    }
    if (seconds < 0) {
        return Refuse(problem, "negative time");
    }
    options.settings.endAfterSeconds = seconds;
    return true;
}

bool ReadSounds(const char* value, SimOptions& options, std::string& problem) {
    if (options.settings.sounds.Parse(value)) {
        return true;
    }
    // The script's report is where, what and the script; the option line says the rest.
    const std::string& report = options.settings.sounds.FullErrorText();
    const std::size_t what = report.find('\n') + 1;
    return Refuse(problem, report.substr(what, report.find('\n', what) - what).c_str());
}

bool ReadName(const char* value, SimOptions& options, std::string&) {
    options.name = value;
    return true;
}

bool ReadSvg(const char* value, SimOptions& options, std::string&) {
    options.svgPath = value;
    return true;
}

struct ValueOption {
    const char* name;
    const char* form; // what the value looks like
    bool (*read)(const char* value, SimOptions& options, std::string& problem);
};

constexpr ValueOption kValueOptions[] = {
    {"--fixed", "LAT,LON", ReadFixed},
    {"--leg", "LAT,LON,TRACK_DEG,SPEED_KT", ReadLeg},
    {"--loop", "LAT,LON,RADIUS_NM,SPEED_KT", ReadLoop},
    {"--alt", "FEET", ReadAltitude},
    {"--end-after", "SECONDS", ReadEnd},
    {"--sounds", "T:CODE,...", ReadSounds},
    {"--name", "NAME", ReadName},
    {"--svg", "FILE", ReadSvg},
};

constexpr ArgumentWording kWording = {
    .missingValue = "option '{option}' needs a value ({needs})",
    .emptyValue = "option '{option}' needs a value ({needs})",
    .badValue = "{option} {value}: {problem}",
};

bool ReadValue(CommandArguments& args, const ValueOption& option, SimOptions& options) {
    const char* value = nullptr;
    if (!args.Text(value, option.form)) {
        return false;
    }
    std::string problem;
    if (option.read(value, options, problem)) {
        return true;
    }
    return args.RefuseValue(
        (problem.empty() ? "expected " + std::string(option.form) : problem).c_str());
}

bool ReadArgument(CommandArguments& args, SimOptions& options) {
    const struct {
        const char* name;
        bool* flag;
    } flags[] = {
        {"--log", &options.logLines}, {"--remove", &options.remove}, {"--force", &options.force}};
    for (const auto& flag : flags) {
        if (args.Is(flag.name)) {
            *flag.flag = args.Flag();
            return *flag.flag;
        }
    }
    const ValueOption* option = args.Among(kValueOptions);
    return option != nullptr ? ReadValue(args, *option, options) : args.RefuseUnknown();
}
} // namespace

bool SimOptionParser::Parse(int argc, const char* const* argv, SimOptions& options) {
    CommandArguments args(argc, argv, 1, kWording);
    while (args.Next()) {
        if (!ReadArgument(args, options)) {
            SetErrorText(args.FullErrorText().c_str());
            return false;
        }
    }
    options.help = args.Request() == ArgumentRequest::Help;
    options.version = args.Request() == ArgumentRequest::Version;
    return true;
}

const char* SimUsageText() {
    static const std::string text =
        std::string(kSimUsageOptions) + kValueRulesHelp + "\n" + kSimUsageNotes;
    return text.c_str();
}
