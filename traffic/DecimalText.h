// Reading the numeric fields of a traffic line. Both conversions read the longest valid start of
// the text by the data file's number grammar: leading white space, an optional sign, digits with
// an optional decimal point, and for a decimal number an optional exponent. The rest of the text
// is ignored and a text without a valid start reads as 0.
#pragma once

#include <cstdint>

inline constexpr char kDecimalTextHeaderRevision[] =
    "%Z% TrafficAnalyser QX2120:06 DecimalText.h $Revision: 1.1 $";

// Bit for bit what strtod gives for the part of the text that the grammar reads. Forms of strtod
// beyond the grammar read as the grammar reads them: "0x1A" as 0 (the number stops at the x),
// "inf" and "nan" as 0 (no valid start). A value beyond the range of a double (1e999) reads as 0
// too: the result is always finite. Null: 0.
double ParseDecimal(const char* text);

namespace decimal_text {
inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Characters that could make strtod read further than sign, digits and decimal point: an
// exponent, or the x of a hexadecimal form.
inline bool MayContinueNumber(char c) {
    return c == 'e' || c == 'E' || c == 'x' || c == 'X';
}
} // namespace decimal_text

// Bounds that certainly hold ParseDecimal(text), read from the integer part alone, so that a
// caller can settle a comparison without the exact conversion when the value is far from what
// it is compared with. ParseDecimal rounds correctly and rounding keeps the order, so a value
// whose integer part is I lies in [I, I + 1] (in [-I - 1, -I] for a negative number).
struct DecimalBounds {
    std::int64_t floor; // the value lies in [floor, floor + 1]
    const char* end;    // the first character after the number
};

// Sets the bounds for the plain form [sign] digits [. digits] with at least one digit and at
// most kMaxBoundedIntegerDigits before the point. Returns false, setting nothing, for every
// other text (leading white space, an exponent, a hexadecimal form, inf, nan, no digit, null):
// the caller then converts exactly. Inline: a filter asks it for most lines of a data set.
inline constexpr int kMaxBoundedIntegerDigits = 15;
inline bool BoundDecimal(const char* text, DecimalBounds& bounds) {
    using decimal_text::IsDigit;
    if (text == nullptr) {
        return false;
    }
    const char* p = text;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') {
        ++p;
    }
    // More digits than a 64-bit integer holds wrap, and are refused by their count.
    std::uint64_t integerPart = 0;
    const char* integerStart = p;
    for (; IsDigit(*p); ++p) {
        integerPart = integerPart * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    const long integerDigits = p - integerStart;
    bool fractionDigit = false;
    if (*p == '.') {
        fractionDigit = IsDigit(p[1]);
        ++p;
        while (IsDigit(*p)) {
            ++p;
        }
    }
    if ((integerDigits == 0 && !fractionDigit) || integerDigits > kMaxBoundedIntegerDigits ||
        decimal_text::MayContinueNumber(*p)) {
        return false;
    }
    const auto magnitude = static_cast<std::int64_t>(integerPart);
    bounds.floor = negative ? -magnitude - 1 : magnitude;
    bounds.end = p;
    return true;
}

// ParseDecimal in one walk for the usual field: a text that is one plain decimal ([sign] digits
// [. digits], nothing after it) of at most 19 digits, whose value one division gives exactly.
// False, setting nothing, for every other text, which the caller then reads in full.
bool ParseWholeShortDecimal(const char* text, double& value);

// The decimal integer at the start of the text, as strtol with base 10 reads it, but limited to
// the 32-bit range: a value beyond it gives INT32_MAX or INT32_MIN. Null: 0.
std::int32_t ParseDecimalInteger(const char* text);

extern const char kDecimalTextSourceRevision[];
