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

// Bounds that certainly hold ParseDecimal(text), read from the integer part alone, so that a
// caller can settle a comparison without the exact conversion when the value is far from what
// it is compared with. ParseDecimal rounds correctly and rounding keeps the order, so a value
// whose integer part is I lies in [I, I + 1] (negated for a negative number).
struct DecimalBounds {
    double low;
    double high;
    const char* end; // the first character after the number
};

// Sets the bounds for the plain form [sign] digits [. digits] with at least one digit and at
// most kMaxBoundedIntegerDigits before the point. Returns false, setting nothing, for every
// other text (leading white space, an exponent, a hexadecimal form, inf, nan, no digit, null):
// the caller then converts exactly.
inline constexpr int kMaxBoundedIntegerDigits = 15;
bool BoundDecimal(const char* text, DecimalBounds& bounds);

// ParseDecimal in one walk for the usual field: a text that is one plain decimal ([sign] digits
// [. digits], nothing after it) of at most 19 digits, whose value one division gives exactly.
// False, setting nothing, for every other text, which the caller then reads in full.
bool ParseWholeShortDecimal(const char* text, double& value);

// The decimal integer at the start of the text, as strtol with base 10 reads it, but limited to
// the 32-bit range: a value beyond it gives INT32_MAX or INT32_MIN. Null: 0.
std::int32_t ParseDecimalInteger(const char* text);

extern const char kDecimalTextSourceRevision[];
