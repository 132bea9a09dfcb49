#include "tools/trafficlog/FieldReading.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"
#include "traffic/DecimalText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:45 FieldReading.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kFieldReadingHeaderRevision, kRevision});
}

// Room for any field of a line as the checker sees it.
constexpr int kNumberSize = 1024;
// ParseHex refuses longer texts and counts only the last digits.
constexpr std::size_t kMaxAddressText = 18;
constexpr std::size_t kAddressDigits = 8;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

const char* SkipSpace(const char* p) {
    while (*p != '\0' && std::strchr(" \t\n\v\f\r", *p) != nullptr) {
        ++p;
    }
    return p;
}

const char* SkipDigits(const char* p) {
    while (IsDigit(*p)) {
        ++p;
    }
    return p;
}

// Length of the decimal number at p by the file's grammar: [sign] digits [. digits]
// [exponent], at least one digit before or after the point; 0 when there is none.
std::size_t DecimalLength(const char* p) {
    const char* start = p;
    if (*p == '+' || *p == '-') {
        ++p;
    }
    const char* digits = p;
    p = SkipDigits(p);
    std::size_t count = static_cast<std::size_t>(p - digits);
    if (*p == '.') {
        const char* fraction = ++p;
        p = SkipDigits(p);
        count += static_cast<std::size_t>(p - fraction);
    }
    if (count == 0) {
        return 0;
    }
    if (*p == 'e' || *p == 'E') {
        const char* exponent = p + 1;
        if (*exponent == '+' || *exponent == '-') {
            ++exponent;
        }
        if (IsDigit(*exponent)) {
            p = SkipDigits(exponent);
        }
    }
    return static_cast<std::size_t>(p - start);
}

// Length of [sign] digits at p; 0 when there are no digits.
std::size_t IntegerLength(const char* p) {
    const char* digits = (*p == '+' || *p == '-') ? p + 1 : p;
    const char* end = SkipDigits(digits);
    return end == digits ? 0 : static_cast<std::size_t>(end - p);
}

// What follows a number decides between an exact and a partial reading.
FieldForm FormAfter(const char* rest) {
    return *SkipSpace(rest) == '\0' ? FieldForm::Exact : FieldForm::Partial;
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
} // namespace

NumberReading ReadNumberField(const char* text) {
    RegisterModule();
    const char* start = SkipSpace(text);
    if (*start == '\0') {
        return {FieldForm::Empty, 0.0};
    }
    const std::size_t length = DecimalLength(start);
    if (length == 0) {
        // "nan" and "inf" are no numbers of the file's grammar, but the C library reads them.
        return {std::isfinite(std::strtod(start, nullptr)) ? FieldForm::NoNumber
                                                           : FieldForm::NotFinite,
                0.0};
    }
    char number[kNumberSize];
    CopyBounded(number, start, static_cast<int>(std::min<std::size_t>(length + 1, kNumberSize)));
    // Judged apart from the value, which the feeder's conversion may already have turned to 0.
    if (!std::isfinite(std::strtod(number, nullptr))) {
        return {FieldForm::NotFinite, 0.0};
    }
    return {FormAfter(start + length), ParseDecimal(number)};
}

IntegerReading ReadTimeField(const char* text) {
    RegisterModule();
    const char* start = SkipSpace(text);
    if (*start == '\0') {
        return {FieldForm::Empty, 0};
    }
    const std::size_t length = IntegerLength(start);
    if (length == 0) {
        return {FieldForm::NoNumber, 0};
    }
    const std::int32_t value = ParseDecimalInteger(start);
    if (std::strtoll(start, nullptr, 10) != value) {
        return {FieldForm::OutOfRange, value};
    }
    return {FormAfter(start + length), value};
}

IntegerReading ReadAddressField(char* text) {
    RegisterModule();
    RemoveChar(text, '"');
    const std::int32_t value = ParseHex(text);
    if (*text == '\0') {
        return {FieldForm::Empty, value};
    }
    const char* prefix = std::strstr(text, "0x");
    const char* digits = prefix != nullptr ? prefix + 2 : text;
    for (const char* p = digits; *p != '\0'; ++p) {
        if (!IsHexDigit(*p)) {
            return {FieldForm::NotHex, value};
        }
    }
    if (*digits == '\0') {
        return {FieldForm::NoNumber, value};
    }
    while (*digits == '0') {
        ++digits;
    }
    if (std::strlen(text) > kMaxAddressText || std::strlen(digits) > kAddressDigits) {
        return {FieldForm::OutOfRange, value};
    }
    if (value < 0) {
        return {FieldForm::Negative, value};
    }
    // Whatever stands before "0x" is not read.
    return {prefix != nullptr && prefix != text ? FieldForm::Partial : FieldForm::Exact, value};
}
