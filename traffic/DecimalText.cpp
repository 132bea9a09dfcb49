#include "traffic/DecimalText.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>

extern const char kDecimalTextSourceRevision[] =
    "%Z% TrafficAnalyser QX2120:07 DecimalText.cpp $Revision: 1.1 $";

namespace {

// A mantissa of at most 2^53 and a power of ten of at most 10^22 are both exact doubles, so one
// correctly rounded division gives the correctly rounded value, as strtod does. That holds only
// where double arithmetic is not carried out in a wider format.
constexpr bool kDoubleArithmeticIsExact = FLT_EVAL_METHOD == 0;
constexpr std::uint64_t kMaxExactMantissa = std::uint64_t{1} << 53;
constexpr int kMaxMantissaDigits = 19; // always fits 64 bits
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxExactScale = 22;
using decimal_text::IsDigit;
using decimal_text::MayContinueNumber;

// Reads the digits from p on into the mantissa; returns the first character after them. More
// than kMaxMantissaDigits digits wrap the mantissa, and the caller refuses them by their count.
const char* ReadDigits(const char* p, std::uint64_t& mantissa) {
    for (; IsDigit(*p); ++p) {
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    return p;
}

// Converts [sign] digits [. digits] when the result is certain to be exact in one division,
// setting `end` after the number; false leaves the text to strtod. This runs twice for every line
// of a data set, so each digit costs one multiply-add; a number with leading zeros beyond
// kMaxMantissaDigits digits in all is rare enough to go to strtod.
bool ConvertShortDecimal(const char* p, double& result, const char*& end) {
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') {
        ++p;
    }
    std::uint64_t mantissa = 0;
    const char* integerStart = p;
    p = ReadDigits(p, mantissa);
    long digits = p - integerStart;
    long fractionDigits = 0;
    if (*p == '.') {
        const char* fractionStart = p + 1;
        p = ReadDigits(fractionStart, mantissa);
        fractionDigits = p - fractionStart;
        digits += fractionDigits;
    }
    if (digits == 0 || digits > kMaxMantissaDigits || MayContinueNumber(*p)) {
        return false;
    }
    if (mantissa == 0) {
        result = negative ? -0.0 : 0.0;
        end = p;
        return true;
    }
    if (mantissa > kMaxExactMantissa || fractionDigits > kMaxExactScale) {
        return false;
    }
    const double value = static_cast<double>(mantissa) / kExactPowersOfTen[fractionDigits];
    result = negative ? -value : value;
    end = p;
    return true;
}

// The white space that strtod skips in the "C" locale.
bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Where strtod would read a form that the grammar does not have, or reads no number at all, the
// value the grammar reads; false when strtod reads the text as the grammar does. After the white
// space and the sign, strtod goes its own way at "0x" (the grammar reads the 0 and stops) and at
// a letter (inf, nan: no valid start); and a text without a digit where the number starts has no
// valid start (a C library may give it the sign, -0).
bool ReadOutsideStrtod(const char* p, double& result) {
    while (IsSpace(*p)) {
        ++p;
    }
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') {
        ++p;
    }
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        result = negative ? -0.0 : 0.0;
        return true;
    }
    if (!IsDigit(p[0]) && !(p[0] == '.' && IsDigit(p[1]))) {
        result = 0.0;
        return true;
    }
    return false;
}

} // namespace

double ParseDecimal(const char* text) {
    if (text == nullptr || *text == '\0') {
        return 0.0;
    }
    double result = 0.0;
    const char* end = nullptr;
    if (kDoubleArithmeticIsExact && ConvertShortDecimal(text, result, end)) {
        return result;
    }
    if (ReadOutsideStrtod(text, result)) {
        return result;
    }
    result = std::strtod(text, nullptr);
    return std::isfinite(result) ? result : 0.0;
}

bool ParseWholeShortDecimal(const char* text, double& value) {
    double result = 0.0;
    const char* end = nullptr;
    if (text == nullptr || !kDoubleArithmeticIsExact || !ConvertShortDecimal(text, result, end) ||
        *end != '\0') {
        return false;
    }
    value = result;
    return true;
}

std::int32_t ParseDecimalInteger(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    const long long value = std::strtoll(text, nullptr, 10);
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}
