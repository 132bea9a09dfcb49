#include "tools/sim/SimOptions.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
const char kRevision[] = "%Z% CorvaneSim QX5001:12 SimOptions.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Corvane Sim", {kSimOptionsHeaderRevision, kRevision});
}

constexpr int kMaxNumbers = 4;

// Exactly `count` comma-separated finite numbers.
bool ReadNumbers(const char* text, int count, double* values) {
    char copy[128];
    if (text == nullptr || FormatBounded(copy, sizeof copy, "%s", text) < 0) {
        return false;
    }
    char* parts[kMaxNumbers + 1] = {};
    if (SplitAtCharBounded(copy, ",", parts, kMaxNumbers) != count) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        char* end = nullptr;
        values[i] = std::strtod(parts[i], &end);
        if (end == parts[i] || *end != '\0' || !std::isfinite(values[i])) {
            return false;
        }
    }
    return true;
}

bool ValidPosition(const double* values) {
    return std::fabs(values[0]) <= 89.0 && std::fabs(values[1]) <= 180.0;
}

bool ReadRoute(const char* option, const char* value, OwnShipRoute& route) {
    double v[kMaxNumbers] = {};
    if (std::strcmp(option, "--fixed") == 0) {
        if (!ReadNumbers(value, 2, v) || !ValidPosition(v)) {
            return false;
        }
        route = OwnShipRoute::Fixed(v[0], v[1]);
        return true;
    }
    if (!ReadNumbers(value, 4, v) || !ValidPosition(v) || v[3] < 0) {
        return false;
    }
    if (std::strcmp(option, "--loop") == 0) {
        route = OwnShipRoute::Loop(v[0], v[1], v[2], v[3]);
        return v[2] > 0;
    }
    route = OwnShipRoute::Leg(v[0], v[1], v[2], v[3]);
    return true;
}

bool IsRouteOption(const char* option) {
    return std::strcmp(option, "--fixed") == 0 || std::strcmp(option, "--loop") == 0 ||
           std::strcmp(option, "--leg") == 0;
}
} // namespace

bool SimOptionParser::Parse(int argc, const char* const* argv, SimOptions& options) {
    RegisterModule();
    for (int i = 1; i < argc; ++i) {
        const char* option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = true;
        bool takesValue = true;
        double number = 0;
        if (std::strcmp(option, "--name") == 0) {
            options.name = value;
            ok = value != nullptr && value[0] != '\0';
        } else if (IsRouteOption(option)) {
            ok = ReadRoute(option, value, options.settings.route);
        } else if (std::strcmp(option, "--alt") == 0) {
            ok = ReadNumbers(value, 1, &number) && number > -2000 && number < 100000;
            options.settings.ownAltitudeFt = number;
        } else if (std::strcmp(option, "--sounds") == 0) {
            ok = options.settings.sounds.Parse(value);
        } else if (std::strcmp(option, "--end-after") == 0) {
            ok = ReadNumbers(value, 1, &number) && number >= 0;
            options.settings.endAfterSeconds = number;
        } else if (std::strcmp(option, "--svg") == 0) {
            options.svgPath = value;
            ok = value != nullptr;
        } else {
            takesValue = false;
            bool* flag = std::strcmp(option, "--log") == 0      ? &options.logLines
                         : std::strcmp(option, "--remove") == 0 ? &options.remove
                         : std::strcmp(option, "--force") == 0  ? &options.force
                         : std::strcmp(option, "--help") == 0   ? &options.help
                                                                : nullptr;
            ok = flag != nullptr;
            if (ok) {
                *flag = true;
            }
        }
        if (!ok) {
            ReportDetail("SimOptionParser::Parse", "Bad option or value", option);
            return false;
        }
        i += takesValue ? 1 : 0;
    }
    return true;
}
