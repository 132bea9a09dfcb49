#include "tools/trafficlog/CommandArguments.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:41 CommandArguments.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kCommandArgumentsHeaderRevision, kRevision});
}

constexpr int kProblemSize = 512;
constexpr int kNameSize = 64;
constexpr int kPositionSize = 64;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The whole text as a finite number; no leading white space, nothing after it.
bool ReadWholeDecimal(const char* text, double& value) {
    if (*text == '\0' || std::strchr(" \t\n\v\f\r", *text) != nullptr) {
        return false;
    }
    char* end = nullptr;
    value = std::strtod(text, &end);
    return *end == '\0' && std::isfinite(value);
}

// The option's name: the argument up to any "=".
void OptionName(const char* argument, char* name, int size) {
    CopyBounded(name, argument, size);
    if (char* equals = std::strchr(name, '=')) {
        *equals = '\0';
    }
}
} // namespace

CommandArguments::CommandArguments(int argc, const char* const* argv, int first)
    : argc(argc), argv(argv), next(first) {
    RegisterModule();
}

bool CommandArguments::Next() {
    if (next >= argc || argv[next] == nullptr) {
        current = nullptr;
        return false;
    }
    current = argv[next++];
    if (!operandsOnly && std::strcmp(current, "--") == 0) {
        operandsOnly = true;
        return Next();
    }
    if (Is("-h") || Is("--help")) {
        request = ArgumentRequest::Help;
        return false;
    }
    if (Is("--version")) {
        request = ArgumentRequest::Version;
        return false;
    }
    return true;
}

bool CommandArguments::IsOption() const {
    return !operandsOnly && current != nullptr && current[0] == '-' && current[1] != '\0';
}

bool CommandArguments::Is(const char* name) const {
    if (!IsOption()) {
        return false;
    }
    const std::size_t length = std::strlen(name);
    return std::strncmp(current, name, length) == 0 &&
           (current[length] == '\0' || current[length] == '=');
}

bool CommandArguments::Text(const char*& value) {
    if (const char* equals = std::strchr(current, '='); equals != nullptr) {
        value = equals + 1;
    } else if (next < argc && argv[next] != nullptr) {
        value = argv[next++];
    } else {
        return Refuse("needs a value");
    }
    if (*value == '\0') {
        return Refuse("needs a value");
    }
    return true;
}

bool CommandArguments::WholeNumber(std::int64_t lo, std::int64_t hi, std::int64_t& value) {
    const char* text = nullptr;
    SignedDigits digits;
    if (!Digits(text, digits)) {
        return false;
    }
    constexpr std::uint64_t kMostNegative = std::uint64_t{1} << 63; // magnitude of INT64_MIN
    const std::uint64_t most = digits.negative ? kMostNegative : kMostNegative - 1;
    const bool fits = !digits.overflow && digits.magnitude <= most;
    // Modular conversion: 0 - 2^63 is INT64_MIN.
    const auto number =
        static_cast<std::int64_t>(digits.negative ? 0 - digits.magnitude : digits.magnitude);
    if (!fits || number < lo || number > hi) {
        char problem[kProblemSize];
        FormatBounded(problem, kProblemSize, "is out of range (%lld to %lld)",
                      static_cast<long long>(lo), static_cast<long long>(hi));
        return RefuseValue(text, problem);
    }
    value = number;
    return true;
}

bool CommandArguments::UnsignedNumber(std::uint64_t& value) {
    const char* text = nullptr;
    SignedDigits digits;
    if (!Digits(text, digits)) {
        return false;
    }
    if (digits.overflow || (digits.negative && digits.magnitude != 0)) {
        char problem[kProblemSize];
        FormatBounded(problem, kProblemSize, "is out of range (0 to %llu)",
                      static_cast<unsigned long long>(std::numeric_limits<std::uint64_t>::max()));
        return RefuseValue(text, problem);
    }
    value = digits.magnitude;
    return true;
}

bool CommandArguments::Digits(const char*& text, SignedDigits& digits) {
    if (!Text(text)) {
        return false;
    }
    const char* p = text;
    digits.negative = *p == '-';
    if (*p == '-' || *p == '+') {
        ++p;
    }
    const char* first = p;
    constexpr std::uint64_t kLimit = std::numeric_limits<std::uint64_t>::max();
    for (; IsDigit(*p); ++p) {
        const auto digit = static_cast<std::uint64_t>(*p - '0');
        digits.overflow = digits.overflow || digits.magnitude > (kLimit - digit) / 10;
        digits.magnitude = digits.magnitude * 10 + digit;
    }
    return (p != first && *p == '\0') || RefuseValue(text, "is not a whole number");
}

bool CommandArguments::Decimal(double lo, double hi, double& value) {
    const char* text = nullptr;
    if (!Text(text)) {
        return false;
    }
    double number = 0;
    if (!ReadWholeDecimal(text, number)) {
        return RefuseValue(text, "is not a number");
    }
    if (number < lo || number > hi) {
        char problem[kProblemSize];
        FormatBounded(problem, kProblemSize, "is out of range (%g to %g)", lo, hi);
        return RefuseValue(text, problem);
    }
    value = number;
    return true;
}

bool CommandArguments::Position(double& latitude, double& longitude) {
    const char* text = nullptr;
    if (!Text(text)) {
        return false;
    }
    char copy[kPositionSize];
    char* parts[3] = {};
    double lat = 0, lon = 0;
    if (std::strlen(text) >= sizeof copy || CopyBounded(copy, text, sizeof copy) == nullptr ||
        SplitAtCharBounded(copy, ",", parts, 2) != 2 || !ReadWholeDecimal(parts[0], lat) ||
        !ReadWholeDecimal(parts[1], lon)) {
        return RefuseValue(text, "is not LAT,LON in degrees");
    }
    char problem[kProblemSize];
    if (std::fabs(lat) > 90.0) {
        FormatBounded(problem, kProblemSize, "has latitude %g, out of range (-90 to 90)", lat);
        return RefuseValue(text, problem);
    }
    if (std::fabs(lon) > 180.0) {
        FormatBounded(problem, kProblemSize, "has longitude %g, out of range (-180 to 180)", lon);
        return RefuseValue(text, problem);
    }
    latitude = lat;
    longitude = lon;
    return true;
}

bool CommandArguments::Flag() {
    return std::strchr(current, '=') == nullptr || Refuse("takes no value");
}

bool CommandArguments::RefuseUnknown() {
    char problem[kProblemSize];
    FormatBounded(problem, kProblemSize,
                  IsOption() ? "unknown option '%.200s'" : "unexpected argument '%.200s'", current);
    SetErrorText(problem);
    return false;
}

bool CommandArguments::Refuse(const char* problem) {
    char name[kNameSize];
    OptionName(current, name, kNameSize);
    char text[kProblemSize];
    FormatBounded(text, kProblemSize, "%s %s", name, problem);
    SetErrorText(text);
    return false;
}

bool CommandArguments::RefuseValue(const char* value, const char* problem) {
    char name[kNameSize];
    OptionName(current, name, kNameSize);
    char text[kProblemSize];
    FormatBounded(text, kProblemSize, "%s '%.200s' %s", name, value, problem);
    SetErrorText(text);
    return false;
}
