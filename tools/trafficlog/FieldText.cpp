#include "tools/trafficlog/FieldText.h"

#include "config_control/ConfigControl.h"
#include "traffic/DecimalText.h"

#include <cmath>
#include <cstring>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:60 FieldText.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kFieldTextHeaderRevision, kRevision});
}

// Eighteen decimal digits always fit 64 bits.
constexpr int kMaxInt64Digits = 18;
// The feeder reads addresses into 32 bits.
constexpr int kMaxAddressDigits = 8;
// Fewer integer digits than this always make a finite double.
constexpr int kMaxPlainDigits = 300;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Past the digits at `text`; counts them.
const char* SkipDigits(const char* text, int& digits) {
    for (; IsDigit(*text); ++text) {
        ++digits;
    }
    return text;
}
} // namespace

char* TrimField(char* text) {
    return TrimField(text, text + std::strlen(text));
}

char* TrimField(char* text, char* end) {
    while (*text == ' ' || *text == '"') {
        ++text;
    }
    while (end > text && (end[-1] == ' ' || end[-1] == '"')) {
        *--end = '\0';
    }
    return text;
}

bool ReadFieldInteger(const char* text, std::int64_t& value) {
    const char* c = text;
    const bool negative = *c == '-';
    if (*c == '-' || *c == '+') {
        ++c;
    }
    int digits = 0;
    std::uint64_t magnitude = 0;
    for (; IsDigit(*c); ++c, ++digits) {
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(*c - '0');
        if (digits >= kMaxInt64Digits) {
            return false;
        }
    }
    if (digits == 0 || *c != '\0') {
        return false;
    }
    value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return true;
}

bool IsAddressText(const char* text) {
    int digits = 0;
    for (const char* c = text; *c != '\0'; ++c, ++digits) {
        const bool hex = IsDigit(*c) || (*c >= 'a' && *c <= 'f') || (*c >= 'A' && *c <= 'F');
        if (!hex || digits == kMaxAddressDigits) {
            return false;
        }
    }
    return digits > 0;
}

bool IsFieldNumber(const char* text) {
    RegisterModule();
    const char* c = text;
    if (*c == '-' || *c == '+') {
        ++c;
    }
    int integerDigits = 0;
    int digits = 0;
    c = SkipDigits(c, integerDigits);
    if (*c == '.') {
        c = SkipDigits(c + 1, digits);
    }
    if (integerDigits + digits == 0) {
        return false;
    }
    bool exponent = false;
    if (*c == 'e' || *c == 'E') {
        exponent = true;
        ++c;
        if (*c == '-' || *c == '+') {
            ++c;
        }
        int exponentDigits = 0;
        c = SkipDigits(c, exponentDigits);
        if (exponentDigits == 0) {
            return false;
        }
    }
    // Only an exponent or hundreds of digits can take a decimal beyond the finite range.
    return *c == '\0' &&
           ((!exponent && integerDigits <= kMaxPlainDigits) || std::isfinite(ParseDecimal(text)));
}

bool ReadFieldNumber(const char* text, double& value) {
    if (!IsFieldNumber(text)) {
        return false;
    }
    value = ParseDecimal(text);
    return true;
}
