#include "tools/trafficlog/TrafficLogConsole.h"

#include "config_control/ConfigControl.h"
#include "text_functions/ControlMask.h"

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:43 TrafficLogConsole.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kTrafficLogConsoleHeaderRevision, kRevision});
}

constexpr std::string_view kLineJoint = " / ";
} // namespace

std::string OneLine(std::string_view text) {
    RegisterModule();
    std::string line;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view piece = text.substr(0, end);
        if (!piece.empty()) {
            if (!line.empty()) {
                line += kLineJoint;
            }
            line += MaskControls(piece);
        }
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return line;
}

int PrintUsageError(const TrafficLogConsole& console, std::string_view problem) {
    std::fprintf(console.err, "trafficlog: %s\nTry 'trafficlog --help'.\n",
                 OneLine(problem).c_str());
    return kExitError;
}

int PrintFailure(const TrafficLogConsole& console, std::string_view text) {
    std::fprintf(console.err, "trafficlog: %s\n", OneLine(text).c_str());
    return kExitError;
}

std::string CountOf(long long count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}
