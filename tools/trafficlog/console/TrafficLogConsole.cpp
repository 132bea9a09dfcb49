#include "tools/trafficlog/console/TrafficLogConsole.h"

#include "config_control/ProductVersion.h"
#include "text_functions/ControlMask.h"
#include "tools/trafficlog/console/TrafficLogHelp.h"

namespace {
constexpr std::string_view kLineJoint = " / ";
} // namespace

std::string OneLine(std::string_view text) {
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
    std::fputs(UsageErrorText("trafficlog", OneLine(problem)).c_str(), console.err);
    return kExitError;
}

void PrintNote(const TrafficLogConsole& console, std::string_view text) {
    std::fprintf(console.err, "trafficlog: %s\n", OneLine(text).c_str());
}

int PrintFailure(const TrafficLogConsole& console, std::string_view text) {
    PrintNote(console, text);
    return kExitError;
}

int Answer(const TrafficLogConsole& console, ArgumentRequest request, const char* command) {
    if (request == ArgumentRequest::Help) {
        std::fputs(TrafficLogHelp(command).c_str(), console.out);
    } else {
        std::fprintf(console.out, "trafficlog (%s)\n", kProductVersion);
    }
    return kExitSuccess;
}

std::optional<int> Settled(const TrafficLogConsole& console, const CommandArguments& args, bool ok,
                           const char* command) {
    if (!ok) {
        return PrintUsageError(console, args.FullErrorText());
    }
    if (args.Request() != ArgumentRequest::None) {
        return Answer(console, args.Request(), command);
    }
    return std::nullopt;
}

std::string SystemReason(const std::string& report) {
    const std::size_t start = report.find('\n');
    std::string reason = start == std::string::npos
                             ? report
                             : report.substr(start + 1, report.find('\n', start + 1) - start - 1);
    if (reason.size() > 1 && reason[0] >= 'A' && reason[0] <= 'Z' && reason[1] >= 'a' &&
        reason[1] <= 'z') {
        reason[0] = static_cast<char>(reason[0] - 'A' + 'a');
    }
    while (!reason.empty() && (reason.back() == '.' || reason.back() == ' ')) {
        reason.pop_back();
    }
    return reason;
}

std::string CountOf(long long count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}
