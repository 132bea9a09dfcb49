#include "traffic/FieldReading.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"
#include "traffic/DecimalText.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:45 FieldReading.cpp $Revision: 1.1 $";

ModuleRevisions revisions{"TrafficLog", kFieldReadingHeaderRevision, kRevision};

// Room for any field of a line as the checker sees it.
constexpr int kNumberSize = 1024;
// ParseHex refuses longer texts and counts only the last digits.
constexpr std::size_t kMaxAddressText = 18;
constexpr std::size_t kAddressDigits = 8;
constexpr std::ptrdiff_t kExactDigits = 18;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The white space that strtod skips in the "C" locale: space, \t, \n, \v, \f and \r.
bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

const char* SkipSpace(const char* p) {
    while (IsSpace(*p)) {
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

// DecimalLength, telling also whether the number has an exponent.
std::size_t ScanDecimal(const char* p, bool& exponent) {
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
        const char* digitsAfter = p + 1;
        if (*digitsAfter == '+' || *digitsAfter == '-') {
            ++digitsAfter;
        }
        if (IsDigit(*digitsAfter)) {
            p = SkipDigits(digitsAfter);
            exponent = true;
        }
    }
    return static_cast<std::size_t>(p - start);
}

// Fewer digits than a double's largest value has, and no exponent: the number is finite
// without converting it. The rest (long numbers, exponents) goes to strtod.
constexpr std::size_t kCertainlyFiniteLength = 300;

// 0 to 15 for a hexadecimal digit, -1 for any other character.
int HexValue(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// The first "0x" in the text, or null; a library search costs more to set up than an address
// of a few characters takes to walk.
const char* FindHexPrefix(const char* text) {
    for (const char* p = text; *p != '\0'; ++p) {
        if (p[0] == '0' && p[1] == 'x') {
            return p;
        }
    }
    return nullptr;
}

// The form of a decimal field and where its number starts; the number is finite for Exact and
// Partial.
FieldForm NumberForm(const char* text, const char*& start) {
    start = SkipSpace(text);
    if (*start == '\0') {
        return FieldForm::Empty;
    }
    bool exponent = false;
    const std::size_t length = ScanDecimal(start, exponent);
    if (length == 0) {
        // "nan" and "inf" are no numbers of the file's grammar, but the C library reads them.
        return std::isfinite(std::strtod(start, nullptr)) ? FieldForm::NoNumber
                                                          : FieldForm::NotFinite;
    }
    // Judged apart from the value, which the feeder's conversion may already have turned to 0.
    if (exponent || length >= kCertainlyFiniteLength) {
        char number[kNumberSize];
        CopyBounded(number, start,
                    static_cast<int>(std::min<std::size_t>(length + 1, kNumberSize)));
        if (!std::isfinite(std::strtod(number, nullptr))) {
            return FieldForm::NotFinite;
        }
    }
    return FormAfter(start + length);
}
} // namespace

std::size_t DecimalLength(const char* p) {
    bool exponent = false;
    return ScanDecimal(p, exponent);
}

std::size_t DecimalLength(const char* p, bool& hasExponent) {
    hasExponent = false;
    return ScanDecimal(p, hasExponent);
}

NumberReading ReadNumberField(const char* text) {
    revisions.Register();
    const char* start = nullptr;
    const FieldForm form = NumberForm(text, start);
    if (form != FieldForm::Exact && form != FieldForm::Partial) {
        return {form, 0.0};
    }
    // The feeder's conversion reads the number alone whatever follows it.
    return {form, ParseDecimal(start)};
}

IntegerReading ReadTimeField(const char* text) {
    revisions.Register();
    const char* start = SkipSpace(text);
    if (*start == '\0') {
        return {FieldForm::Empty, 0};
    }
    const bool negative = *start == '-';
    const char* digits = negative || *start == '+' ? start + 1 : start;
    std::int64_t magnitude = 0;
    const char* end = digits;
    for (; IsDigit(*end) && end - digits < kExactDigits; ++end) {
        magnitude = magnitude * 10 + (*end - '0');
    }
    if (end == digits) {
        return {FieldForm::NoNumber, 0};
    }
    // Up to 18 digits have one value in 64 bits, whoever reads them; longer numbers go to the
    // feeder's conversion and are read again to see whether it clamped them.
    if (!IsDigit(*end)) {
        const std::int64_t exact = negative ? -magnitude : magnitude;
        const auto value =
            static_cast<std::int32_t>(std::clamp<std::int64_t>(exact, INT32_MIN, INT32_MAX));
        return {value != exact ? FieldForm::OutOfRange : FormAfter(end), value};
    }
    const std::size_t length = IntegerLength(start);
    const std::int32_t value = ParseDecimalInteger(start);
    if (std::strtoll(start, nullptr, 10) != value) {
        return {FieldForm::OutOfRange, value};
    }
    return {FormAfter(start + length), value};
}

IntegerReading ReadAddressField(char* text) {
    revisions.Register();
    if (std::strchr(text, '"') != nullptr) {
        RemoveChar(text, '"');
    }
    if (*text == '\0') {
        return {FieldForm::Empty, ParseHex(text)};
    }
    const char* prefix = FindHexPrefix(text);
    const char* digits = prefix != nullptr ? prefix + 2 : text;
    const char* end = digits;
    std::uint32_t read = 0;
    for (int digit; (digit = HexValue(*end)) >= 0; ++end) {
        read = read * 16 + static_cast<std::uint32_t>(digit);
    }
    // Up to eight digits alone have one value, whoever reads them; the rest go to the
    // feeder's conversion.
    const bool plain = prefix == nullptr && *end == '\0' &&
                       end - text <= static_cast<std::ptrdiff_t>(kAddressDigits);
    const std::int32_t value = plain ? static_cast<std::int32_t>(read) : ParseHex(text);
    if (*end != '\0') {
        return {FieldForm::NotHex, value};
    }
    if (end == digits) {
        return {FieldForm::NoNumber, value};
    }
    while (*digits == '0') {
        ++digits;
    }
    if (end - text > static_cast<std::ptrdiff_t>(kMaxAddressText) ||
        end - digits > static_cast<std::ptrdiff_t>(kAddressDigits)) {
        return {FieldForm::OutOfRange, value};
    }
    if (value < 0) {
        return {FieldForm::Negative, value};
    }
    // Whatever stands before "0x" is not read.
    return {prefix != nullptr && prefix != text ? FieldForm::Partial : FieldForm::Exact, value};
}
