#include "config_control/CommandArguments.h"

#include "text_functions/TextFunctions.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

[[maybe_unused]] static const char kCommandArgumentsSourceRevision[] =
    "%Z% CommandArguments QX3104:02 CommandArguments.cpp $Revision: 1.1 $";

namespace {
constexpr int kProblemSize = 512;
constexpr int kNameSize = 64;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
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
    : argc(argc), argv(argv), next(first) {}

bool CommandArguments::Next() {
    if (next >= argc || argv[next] == nullptr) {
        current = nullptr;
        return false;
    }
    current = argv[next++];
    optionValue = nullptr;
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
    optionValue = value;
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
        return RefuseValue(problem);
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
        return RefuseValue(problem);
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
    return (p != first && *p == '\0') || RefuseValue("is not a whole number");
}

bool CommandArguments::Decimal(double lo, double hi, double& value) {
    const char* text = nullptr;
    if (!Text(text)) {
        return false;
    }
    double number = 0;
    if (ReadNumberList(text, 1, &number) != NumberList::Read) {
        return RefuseValue("is not a number");
    }
    if (number < lo || number > hi) {
        char problem[kProblemSize];
        FormatBounded(problem, kProblemSize, "is out of range (%g to %g)", lo, hi);
        return RefuseValue(problem);
    }
    value = number;
    return true;
}

bool CommandArguments::Numbers(int count, double* values, const char* form) {
    const char* text = nullptr;
    if (!Text(text)) {
        return false;
    }
    if (count > kMostNumbers || ReadNumberList(text, count, values) != NumberList::Read) {
        char problem[kProblemSize];
        FormatBounded(problem, kProblemSize, "is not %s", form);
        return RefuseValue(problem);
    }
    return true;
}

bool CommandArguments::Position(double& latitude, double& longitude) {
    double values[2] = {};
    if (!Numbers(2, values, "LAT,LON in degrees") ||
        !PartInRange("latitude", values[0], -90.0, 90.0) ||
        !PartInRange("longitude", values[1], -180.0, 180.0)) {
        return false;
    }
    latitude = values[0];
    longitude = values[1];
    return true;
}

bool CommandArguments::PartInRange(const char* part, double value, double lo, double hi) {
    if (value >= lo && value <= hi) {
        return true;
    }
    char problem[kProblemSize];
    FormatBounded(problem, kProblemSize, "has %s %g, out of range (%g to %g)", part, value, lo, hi);
    return RefuseValue(problem);
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

bool CommandArguments::RefuseValue(const char* problem) {
    char name[kNameSize];
    OptionName(current, name, kNameSize);
    char text[kProblemSize];
    FormatBounded(text, kProblemSize, "%s '%.200s' %s", name,
                  optionValue != nullptr ? optionValue : "", problem);
    SetErrorText(text);
    return false;
}
