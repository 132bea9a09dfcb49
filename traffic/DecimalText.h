// Reading the numeric fields of a traffic line. Both conversions read the longest valid start of
// the text as the C library does in the "C" locale (leading white space skipped, optional sign);
// the rest of the text is ignored and a text without a valid start reads as 0.
#pragma once

#include <cstdint>

inline constexpr char kDecimalTextHeaderRevision[] =
    "%Z% TrafficAnalyser QX2120:06 DecimalText.h $Revision: 1.1 $";

// Bit for bit what strtod gives for the text (decimal and hexadecimal forms, inf, nan). The
// common short decimal forms are converted directly; everything else goes to strtod. Null: 0.
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

// The decimal integer at the start of the text, as strtol with base 10 reads it, but limited to
// the 32-bit range: a value beyond it gives INT32_MAX or INT32_MIN. Null: 0.
std::int32_t ParseDecimalInteger(const char* text);

const char* DecimalTextSourceRevision();
