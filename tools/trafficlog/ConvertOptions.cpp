#include "tools/trafficlog/ConvertOptions.h"

#include "config_control/ConfigControl.h"
#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/UtcTime.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:58 ConvertOptions.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kConvertOptionsHeaderRevision, kRevision});
}

// A day of stale tolerance is more than any recording's gap between contacts.
constexpr double kMaxStaleSeconds = 86400.0;

bool ReadNonNegative(const char* text, double& value, double most) {
    if (text == nullptr) {
        return false;
    }
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value) && value >= 0 && value <= most;
}

bool ReadCount(const char* text, std::int64_t& value) {
    if (text == nullptr || *text < '0' || *text > '9') {
        return false;
    }
    char* end = nullptr;
    value = std::strtoll(text, &end, 10);
    return *end == '\0';
}

bool IsOption(const char* word) {
    return word[0] == '-' && word[1] == '-';
}
} // namespace

bool TakeRegionOption(const char* option, const char* value, Region& region, bool& bad,
                      char* problem, int size) {
    if (std::strcmp(option, "--around") == 0) {
        bad = !region.SetAround(value, problem, size);
        return true;
    }
    if (std::strcmp(option, "--box") == 0) {
        bad = !region.SetBox(value, problem, size);
        return true;
    }
    return false;
}

bool ParseConvertOptions(int count, const char* const* words, ConvertOptions& options,
                         char* problem, int size) {
    RegisterModule();
    std::vector<const char*> files;
    for (int i = 0; i < count; ++i) {
        const char* word = words[i];
        if (!IsOption(word)) {
            files.push_back(word);
            continue;
        }
        if (std::strcmp(word, "--keep-ground") == 0) {
            options.keepGround = true;
            continue;
        }
        const char* value = i + 1 < count ? words[++i] : nullptr;
        bool bad = false;
        if (TakeRegionOption(word, value, options.region, bad, problem, size)) {
            if (bad) {
                return false;
            }
        } else if (std::strcmp(word, "--stale") == 0) {
            if (!ReadNonNegative(value, options.staleSeconds, kMaxStaleSeconds)) {
                FormatBounded(problem, size, "--stale takes seconds from 0 to %.0f",
                              kMaxStaleSeconds);
                return false;
            }
        } else if (std::strcmp(word, "--max-report") == 0) {
            if (!ReadCount(value, options.maxReport)) {
                FormatBounded(problem, size, "--max-report takes a whole number (0: all)");
                return false;
            }
        } else if (std::strcmp(word, "--from") == 0 || std::strcmp(word, "--to") == 0) {
            const bool from = word[2] == 'f';
            if (!ParseTimeOption(value, from ? options.from : options.to)) {
                FormatBounded(problem, size,
                              "%s takes a UTC time: seconds since 1970 or 2022-06-27T12:00:00Z",
                              word);
                return false;
            }
            (from ? options.hasFrom : options.hasTo) = true;
        } else {
            char shown[64];
            FormatBounded(problem, size, "unknown option \"%s\"",
                          MaskControlsBounded(shown, word, sizeof shown));
            return false;
        }
    }
    if (files.size() < 2) {
        FormatBounded(problem, size, "needs at least one input and the data file to write");
        return false;
    }
    if (options.hasFrom && options.hasTo && options.to < options.from) {
        FormatBounded(problem, size, "--to lies before --from");
        return false;
    }
    options.output = files.back();
    files.pop_back();
    options.inputs = files;
    if (std::strcmp(options.output, "-") == 0) {
        FormatBounded(problem, size, "the data file to write needs a name (\"-\" is an input)");
        return false;
    }
    return true;
}
