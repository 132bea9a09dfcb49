#include "tools/trafficlog/RecordOptions.h"

#include "config_control/ConfigControl.h"
#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/ConvertOptions.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:72 RecordOptions.cpp $Revision: 1.1 $";

constexpr std::int64_t kMaxDuration = 366LL * 86400;

// "HOST:PORT", the host possibly an IPv6 address in brackets.
bool ReadFeed(const char* text, RecordOptions& options) {
    if (text == nullptr) {
        return false;
    }
    const char* colon = std::strrchr(text, ':');
    if (colon == nullptr || colon == text) {
        return false;
    }
    char* end = nullptr;
    const long port = std::strtol(colon + 1, &end, 10);
    if (end == colon + 1 || *end != '\0' || port < 1 || port > 65535) {
        return false;
    }
    std::string host(text, static_cast<std::size_t>(colon - text));
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    options.host = host;
    options.port = static_cast<std::uint16_t>(port);
    return !HoldsTerminalControl(host);
}
} // namespace

bool ParseRecordOptions(int count, const char* const* words, RecordOptions& options, char* problem,
                        int size) {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kRecordOptionsHeaderRevision, kRevision});
    for (int i = 0; i < count; ++i) {
        const char* word = words[i];
        const char* value = i + 1 < count ? words[++i] : nullptr;
        bool bad = false;
        char* end = nullptr;
        if (TakeRegionOption(word, value, options.region, bad, problem, size)) {
            if (bad) {
                return false;
            }
        } else if (std::strcmp(word, "--sbs") == 0) {
            if (!ReadFeed(value, options)) {
                FormatBounded(problem, size, "--sbs takes HOST:PORT, e.g. localhost:30003");
                return false;
            }
        } else if (std::strcmp(word, "--out") == 0 && value != nullptr) {
            options.output = value;
        } else if (std::strcmp(word, "--duration") == 0 && value != nullptr) {
            options.durationSeconds = std::strtoll(value, &end, 10);
            if (end == value || *end != '\0' || options.durationSeconds < 1 ||
                options.durationSeconds > kMaxDuration) {
                FormatBounded(problem, size, "--duration takes seconds from 1 to %lld",
                              static_cast<long long>(kMaxDuration));
                return false;
            }
        } else if (std::strcmp(word, "--stale") == 0 && value != nullptr) {
            options.staleSeconds = std::strtod(value, &end);
            if (end == value || *end != '\0' || !(options.staleSeconds >= 0) ||
                options.staleSeconds > 3600) {
                FormatBounded(problem, size, "--stale takes seconds from 0 to 3600");
                return false;
            }
        } else {
            char shown[64];
            FormatBounded(problem, size, "unknown option or missing value \"%s\"",
                          MaskControlsBounded(shown, word, sizeof shown));
            return false;
        }
    }
    if (options.host.empty() || options.output == nullptr) {
        FormatBounded(problem, size, "needs --sbs HOST:PORT and --out FILE");
        return false;
    }
    return true;
}
