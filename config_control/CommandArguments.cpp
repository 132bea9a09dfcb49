#include "config_control/CommandArguments.h"

#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"

#include <cstring>
#include <span>

[[maybe_unused]] static const char kCommandArgumentsSourceRevision[] =
    "%Z% CommandArguments QX3104:02 CommandArguments.cpp $Revision: 1.1 $";

namespace {
constexpr int kProblemSize = 512;
// An argument or value is shown up to this length: enough to see it, not a screenful.
constexpr std::size_t kShownLength = 200;
constexpr std::size_t kShownNameLength = 63;
constexpr char kDefaultNeeds[] = "a value";

struct SignedDigits {
    bool negative = false;
    std::uint64_t magnitude = 0;
    bool overflow = false; // beyond 64 bits: the magnitude is then meaningless
};

// [sign] digits and nothing else.
bool ReadDigits(std::string_view text, SignedDigits& digits) {
    digits.negative = text.starts_with('-');
    if (text.starts_with('-') || text.starts_with('+')) {
        text.remove_prefix(1);
    }
    constexpr std::uint64_t kLimit = std::numeric_limits<std::uint64_t>::max();
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        const auto digit = static_cast<std::uint64_t>(c - '0');
        digits.overflow = digits.overflow || digits.magnitude > (kLimit - digit) / 10;
        digits.magnitude = digits.magnitude * 10 + digit;
    }
    return !text.empty();
}

std::string Shown(std::string_view text, std::size_t longest) {
    return MaskControls(text.substr(0, longest));
}

struct Placeholder {
    std::string_view name;
    std::string text;
};

// The pattern with each placeholder replaced by its text.
std::string Worded(std::string_view pattern, std::span<const Placeholder> placeholders) {
    std::string worded;
    while (!pattern.empty()) {
        const std::size_t open = pattern.find('{');
        worded += pattern.substr(0, open);
        if (open == std::string_view::npos) {
            break;
        }
        pattern.remove_prefix(open);
        std::size_t taken = 1;
        std::string_view replacement = "{";
        for (const Placeholder& placeholder : placeholders) {
            if (pattern.starts_with(placeholder.name)) {
                taken = placeholder.name.size();
                replacement = placeholder.text;
                break;
            }
        }
        worded += replacement;
        pattern.remove_prefix(taken);
    }
    return worded;
}
} // namespace

WholeNumberReading ReadWholeNumber(std::string_view text, std::int64_t lo, std::int64_t hi,
                                   std::int64_t& value) {
    SignedDigits digits;
    if (!ReadDigits(text, digits)) {
        return WholeNumberReading::NotANumber;
    }
    constexpr std::uint64_t kMostNegative = std::uint64_t{1} << 63; // magnitude of INT64_MIN
    const std::uint64_t most = digits.negative ? kMostNegative : kMostNegative - 1;
    // Modular conversion: 0 - 2^63 is INT64_MIN.
    const auto number =
        static_cast<std::int64_t>(digits.negative ? 0 - digits.magnitude : digits.magnitude);
    if (digits.overflow || digits.magnitude > most || number < lo || number > hi) {
        return WholeNumberReading::OutOfRange;
    }
    value = number;
    return WholeNumberReading::Read;
}

std::string UsageErrorText(std::string_view program, std::string_view problem) {
    std::string text(program);
    text.append(": ").append(problem).append("\nTry '").append(program).append(" --help'.\n");
    return text;
}

CommandArguments::CommandArguments(int argc, const char* const* argv, int first,
                                   const ArgumentWording& wording)
    : argc(argc), argv(argv), next(first), wording(wording) {}

bool CommandArguments::Next() {
    if (next >= argc || argv[next] == nullptr) {
        current = nullptr;
        return false;
    }
    current = argv[next++];
    optionValue = nullptr;
    needs = kDefaultNeeds;
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

bool CommandArguments::Text(const char*& value, const char* valueNeeds, std::size_t longest) {
    needs = valueNeeds;
    if (const char* equals = std::strchr(current, '='); equals != nullptr) {
        optionValue = equals + 1;
    } else if (next < argc && argv[next] != nullptr) {
        optionValue = argv[next++];
    } else {
        return Refuse(wording.missingValue, "");
    }
    if (*optionValue == '\0') {
        return Refuse(wording.emptyValue, "");
    }
    if (std::strlen(optionValue) > longest) {
        char problem[kProblemSize];
        FormatBounded(problem, kProblemSize, "is longer than %zu characters", longest);
        return RefuseValue(problem);
    }
    value = optionValue;
    return true;
}

bool CommandArguments::WholeNumber(std::int64_t lo, std::int64_t hi, std::int64_t& value) {
    const char* text = nullptr;
    if (!Text(text)) {
        return false;
    }
    switch (ReadWholeNumber(text, lo, hi, value)) {
    case WholeNumberReading::Read:
        return true;
    case WholeNumberReading::NotANumber:
        return RefuseValue("is not a whole number");
    case WholeNumberReading::OutOfRange:
        break;
    }
    char problem[kProblemSize];
    FormatBounded(problem, kProblemSize, "is out of range (%lld to %lld)",
                  static_cast<long long>(lo), static_cast<long long>(hi));
    return RefuseValue(problem);
}

bool CommandArguments::UnsignedNumber(std::uint64_t& value) {
    const char* text = nullptr;
    SignedDigits digits;
    if (!Text(text)) {
        return false;
    }
    if (!ReadDigits(text, digits)) {
        return RefuseValue("is not a whole number");
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
    return std::strchr(current, '=') == nullptr || Refuse(wording.takesNoValue, "");
}

bool CommandArguments::RefuseUnknown() {
    return Refuse(IsOption() ? wording.unknownOption : wording.unexpectedArgument, "");
}

bool CommandArguments::RefuseValue(const char* problem) {
    return Refuse(wording.badValue, problem);
}

bool CommandArguments::Refuse(const char* pattern, std::string_view problem) {
    const std::string_view argument = current != nullptr ? current : "";
    const Placeholder placeholders[] = {
        {"{option}", Shown(argument.substr(0, argument.find('=')), kShownNameLength)},
        {"{argument}", Shown(argument, kShownLength)},
        {"{value}", Shown(optionValue != nullptr ? optionValue : "", kShownLength)},
        {"{needs}", needs != nullptr ? needs : kDefaultNeeds},
        {"{problem}", std::string(problem)},
    };
    SetErrorText(Worded(pattern, placeholders).c_str());
    return false;
}
