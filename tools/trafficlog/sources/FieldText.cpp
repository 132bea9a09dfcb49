#include "tools/trafficlog/sources/FieldText.h"

#include "traffic/DecimalText.h"
#include "traffic/FieldReading.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
// Eighteen decimal digits always fit 64 bits.
constexpr int kMaxInt64Digits = 18;
// An ICAO aircraft address has 24 bits. More digits would not fit what the feeder reads
// unchanged: from 80000000 on it stores a negative number.
constexpr int kMaxAddressDigits = 6;
// A number of no more characters than this, without an exponent, is a finite double.
constexpr std::size_t kMaxPlainLength = 300;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
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
    bool exponent = false;
    const std::size_t length = DecimalLength(text, exponent);
    // Only an exponent or hundreds of digits take a decimal beyond the finite range. The feeder
    // reads such a value as 0, so strtod, not ParseDecimal, tells it apart.
    return length > 0 && text[length] == '\0' &&
           ((length <= kMaxPlainLength && !exponent) || std::isfinite(std::strtod(text, nullptr)));
}

bool ReadFieldNumber(const char* text, double& value) {
    // A plain decimal read in one walk is a field number whatever its value.
    if (ParseWholeShortDecimal(text, value)) {
        return true;
    }
    if (!IsFieldNumber(text)) {
        return false;
    }
    value = ParseDecimal(text);
    return true;
}

bool ReadFieldRange(const char* text, FieldNumberRange& range) {
    DecimalBounds bounds{};
    if (BoundDecimal(text, bounds) && *bounds.end == '\0') {
        range.low = static_cast<double>(bounds.floor);
        range.high = static_cast<double>(bounds.floor + 1);
        return true;
    }
    double value = 0.0;
    if (!ReadFieldNumber(text, value)) {
        return false;
    }
    range = {value, value};
    return true;
}
