#include "tools/fg/FgStatusText.h"

#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/fg/TcasRequest.h"
#include "tools/textlayout/WordWrap.h"
#include "traffic/Units.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace {
constexpr int kLineSize = 256;
// An event's continuation rows start under its text, past its time of day.
constexpr int kEventIndent = 9;
constexpr std::size_t kRowsPerEvent = 2;

// The newest events that fit in `rows` rows of `width` characters, oldest first: each in at most
// kRowsPerEvent rows, its continuation indented.
std::vector<std::string> EventRows(const std::vector<std::string>& events, int width, int rows) {
    std::vector<std::string> shown;
    for (auto event = events.rbegin(); event != events.rend(); ++event) {
        std::vector<std::string> wrapped = WrapWords(*event, width);
        if (wrapped.size() > 1) {
            const std::string first = wrapped[0];
            const std::size_t start = first.size() + 1;
            wrapped = WrapWords(std::string_view(*event).substr(std::min(start, event->size())),
                                width - kEventIndent);
            for (std::string& row : wrapped) {
                row.insert(0, kEventIndent, ' ');
            }
            wrapped.insert(wrapped.begin(), first);
        }
        wrapped.resize(std::min(wrapped.size(), kRowsPerEvent));
        if (static_cast<int>(shown.size() + wrapped.size()) > rows) {
            break;
        }
        shown.insert(shown.begin(), wrapped.begin(), wrapped.end());
    }
    return shown;
}

std::string LinkPart(const FgStatus& status) {
    char ignored[48] = "";
    if (status.foreign > 0) {
        FormatBounded(ignored, sizeof ignored, ", %lld ignored",
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
    const double feetPerMinute = std::round(status.ownVerticalSpeed / units::kMetresPerFoot * 60);
    char text[kLineSize];
    FormatBounded(text, kLineSize, "%s %.4f %.4f, %.0f ft, heading %.0f, %+.0f ft/min",
                  status.ownCallsign, status.own.latitude, status.own.longitude,
                  status.own.height / units::kMetresPerFoot, status.ownHeading,
                  feetPerMinute + 0.0);
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

// Only the rules that chose a model for some aircraft, in the matcher's order.
std::string ModelsPart(const FgStatus& status) {
    std::string text;
    for (int rule = 0; rule < kMatchRules; ++rule) {
        if (status.byRule[rule] > 0) {
            text += (text.empty() ? "" : ", ") + std::to_string(status.byRule[rule]) + " by " +
                    MatchRuleName(static_cast<MatchRule>(rule));
        }
    }
    return text.empty() ? "none yet" : text;
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
    return "link " + LinkPart(status) + " | own-ship " + OwnPart(status) + " | traffic " +
           TrafficPart(status, now) + (status.matching ? " | models " + ModelsPart(status) : "") +
           " | alert " + AlertPart(status);
}

std::vector<std::string> StatusView(const FgStatus& status, const FgOptions& options,
                                    const std::vector<std::string>& recentEvents, double now,
                                    int columns, int rows) {
    char title[kLineSize];
    // Short enough for an 80-column terminal with the default name and addresses.
    FormatBounded(title, kLineSize, "corvane-fg  \"%s\"  FlightGear %s:%u -> %s:%u", options.name,
                  options.listenHost, static_cast<unsigned>(options.listenPort), options.sendHost,
                  static_cast<unsigned>(options.sendPort));
    std::vector<std::string> lines = {title,
                                      "",
                                      "link      " + LinkPart(status),
                                      "own-ship  " + OwnPart(status),
                                      "traffic   " + TrafficPart(status, now),
                                      "alert     " + AlertPart(status),
                                      ""};
    const int width = std::max(columns - 1, kEventIndent + 1);
    const int eventRows = rows - static_cast<int>(lines.size()) - 2;
    const std::vector<std::string> events = EventRows(recentEvents, width, eventRows);
    lines.insert(lines.end(), events.begin(), events.end());
    lines.emplace_back("");
    lines.emplace_back(status.ending ? "simulation ending" : "q: quit");
    for (std::string& line : lines) {
        line.resize(std::min(line.size(), static_cast<std::size_t>(width)));
    }
    return lines;
}
