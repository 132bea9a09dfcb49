#include "tools/sim/SoundScript.h"

#include "text_functions/TextFunctions.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <string>

namespace {
constexpr int kScriptTextSize = 1024;

// The stand-in writes the feeder's names in sentence case ("Climb now"), and these in words of
// its own.
constexpr SoundRequestSpelling kOwnWords[] = {
    {SoundRequest::TcasSysFail, "TCAS system failure"},
    {SoundRequest::TcasSilence, "Silence"},
};

std::string SentenceCase(const char* name) {
    std::string text = name;
    for (std::size_t i = 1; i < text.size(); ++i) {
        text[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    }
    return text;
}

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
    if (const char* own = SpellingOf(code, kOwnWords)) {
        return own;
    }
    // Made once, so that every name handed out stays valid for the whole run.
    static const auto names = [] {
        std::array<std::string, std::size(kSoundRequestNames)> words;
        for (std::size_t i = 0; i < words.size(); ++i) {
            words[i] = SentenceCase(kSoundRequestNames[i].name);
        }
        return words;
    }();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (static_cast<std::int32_t>(kSoundRequestNames[i].request) == code) {
            return names[i].c_str();
        }
    }
    return "no request";
}
