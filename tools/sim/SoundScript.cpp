#include "tools/sim/SoundScript.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"

#include <cmath>
#include <cstdlib>
#include <iterator>

namespace {
const char kRevision[] = "%Z% CorvaneSim QX5001:04 SoundScript.cpp $Revision: 1.2 $";

ModuleRevisions revisions{"CorvaneSim", kSoundScriptHeaderRevision, kRevision};

constexpr int kScriptTextSize = 1024;

// The feeder's alert table, by request code; 7 to 9 ask for nothing.
constexpr const char* kAlertNames[] = {
    "Traffic",
    "Climb",
    "Climb now",
    "Descend",
    "Descend now",
    "Clear of traffic",
    "TCAS system failure",
    nullptr,
    nullptr,
    nullptr,
    "Silence",
};

bool ReadStep(char* text, double& seconds, std::int32_t& code) {
    char* parts[3] = {};
    if (SplitAtCharBounded(text, ":", parts, 2) != 2) {
        return false;
    }
    char* end = nullptr;
    seconds = std::strtod(parts[0], &end);
    if (end == parts[0] || *end != '\0' || !std::isfinite(seconds) || seconds < 0) {
        return false;
    }
    // long has 32 bits on Windows, where strtol would clamp an overlong code into range.
    const long long value = std::strtoll(parts[1], &end, 10);
    if (end == parts[1] || *end != '\0' || value < INT32_MIN || value > INT32_MAX) {
        return false;
    }
    code = static_cast<std::int32_t>(value);
    return true;
}
} // namespace

bool SoundScript::Parse(const char* text) {
    revisions.Register();
    char copy[kScriptTextSize];
    if (text == nullptr || FormatBounded(copy, kScriptTextSize, "%s", text) < 0) {
        ReportError("SoundScript::Parse", "script missing or too long");
        return false;
    }
    char* items[kMaxSteps + 1] = {};
    const int count = SplitAtCharBounded(copy, ",", items, kMaxSteps);
    if (count > kMaxSteps) {
        ReportError("SoundScript::Parse", "more than 64 steps");
        return false;
    }
    Step parsed[kMaxSteps] = {};
    for (int i = 0; i < count; ++i) {
        if (!ReadStep(items[i], parsed[i].seconds, parsed[i].code)) {
            ReportDetail("SoundScript::Parse", "a step is not SECONDS:CODE", text);
            return false;
        }
        if (i > 0 && parsed[i].seconds < parsed[i - 1].seconds) {
            ReportDetail("SoundScript::Parse", "step times must not decrease", text);
            return false;
        }
    }
    for (int i = 0; i < count; ++i) {
        steps[i] = parsed[i];
    }
    stepCount = count;
    return true;
}

std::int32_t SoundScript::RequestAt(double seconds) const {
    std::int32_t code = kSilenceRequest;
    for (int i = 0; i < stepCount && steps[i].seconds <= seconds; ++i) {
        code = steps[i].code;
    }
    return code;
}

const char* AlertName(std::int32_t code) {
    if (code < 0 || code >= static_cast<std::int32_t>(std::size(kAlertNames)) ||
        kAlertNames[code] == nullptr) {
        return "no request";
    }
    return kAlertNames[code];
}
