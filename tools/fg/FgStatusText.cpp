#include "tools/fg/FgStatusText.h"

#include "config_control/ConfigControl.h"
#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"

#include <cmath>

namespace {
const char kRevision[] = "%Z% CorvaneFg QX5003:18 FgStatusText.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Corvane FG", {kFgStatusTextHeaderRevision, kRevision});
}

constexpr int kLineSize = 256;

std::string LinkPart(const FgStatus& status) {
    char ignored[48] = "";
    if (status.foreign > 0) {
        FormatBounded(ignored, sizeof ignored, ", %lld of others ignored",
                      static_cast<long long>(status.foreign));
    }
    char text[kLineSize];
    FormatBounded(text, kLineSize, "%s, %.1f messages/s (%lld in all, %lld malformed%s)",
                  LinkName(status.link), status.messageRate,
                  static_cast<long long>(status.messages), static_cast<long long>(status.malformed),
                  ignored);
    return text;
}

std::string OwnPart(const FgStatus& status) {
    if (!status.ownKnown) {
        return "not known yet";
    }
    // Rounded first, so that a level aircraft shows "+0", not "-0".
    const double feetPerMinute = std::round(status.ownVerticalSpeed / kMetresPerFoot * 60);
    char text[kLineSize];
    FormatBounded(text, kLineSize, "%s %.4f %.4f, %.0f ft, heading %.0f, %+.0f ft/min",
                  status.ownCallsign, status.own.latitude, status.own.longitude,
                  status.own.height / kMetresPerFoot, status.ownHeading, feetPerMinute + 0.0);
    return text;
}

std::string TrafficPart(const FgStatus& status, double now) {
    if (status.publications == 0 && status.lastPublication < 0) {
        return "no publication seen yet";
    }
    char text[kLineSize];
    FormatBounded(text, kLineSize, "%d aircraft forwarded (publication %d, %.0f s ago)",
                  status.forwarded, status.publications, now - status.lastPublication);
    return text;
}

std::string AlertPart(const FgStatus& status) {
    char text[kLineSize];
    FormatBounded(text, kLineSize, "%s (request %d)", RequestName(status.soundRequest),
                  status.soundRequest);
    return text;
}
} // namespace

const char* LinkName(FgLink link) {
    switch (link) {
    case FgLink::Receiving:
        return "receiving";
    case FgLink::Silent:
        return "silent";
    case FgLink::Waiting:
        break;
    }
    return "waiting";
}

std::string StatusLine(const FgStatus& status, double now) {
    RegisterModule();
    return "link " + LinkPart(status) + " | own-ship " + OwnPart(status) + " | traffic " +
           TrafficPart(status, now) + " | alert " + AlertPart(status);
}

std::vector<std::string> StatusView(const FgStatus& status, const FgOptions& options,
                                    const std::vector<std::string>& recentEvents, double now,
                                    int columns) {
    char title[kLineSize];
    FormatBounded(title, kLineSize, "corvane-fg  block \"%s\"  FlightGear %s:%u -> %s:%u",
                  options.name, options.listenHost, static_cast<unsigned>(options.listenPort),
                  options.sendHost, static_cast<unsigned>(options.sendPort));
    std::vector<std::string> lines = {title,
                                      "",
                                      "link      " + LinkPart(status),
                                      "own-ship  " + OwnPart(status),
                                      "traffic   " + TrafficPart(status, now),
                                      "alert     " + AlertPart(status),
                                      ""};
    lines.insert(lines.end(), recentEvents.begin(), recentEvents.end());
    lines.emplace_back("");
    lines.emplace_back(status.ending ? "simulation ending" : "q: quit");
    const std::size_t width = columns > 1 ? static_cast<std::size_t>(columns - 1) : 0;
    for (std::string& line : lines) {
        if (line.size() > width) {
            line.resize(width);
        }
    }
    return lines;
}
