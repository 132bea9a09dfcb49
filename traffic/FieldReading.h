// What the feeder reads from the fields of an aircraft line, and whether that is what the text
// says. The feeder takes the longest start of a numeric field that the file's number grammar
// accepts (white space, a sign, digits with a decimal point, an exponent) and ignores the rest;
// a field without such a start, and a value that is not finite, reads as 0. Values come from
// the feeder's own conversions.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr char kFieldReadingHeaderRevision[] =
    "%Z% TrafficLog QX5002:44 FieldReading.h $Revision: 1.1 $";

enum class FieldForm {
    Exact,      // the value is the whole text (white space around it aside)
    Empty,      // nothing or white space only: reads as 0, as for an unknown value
    NoNumber,   // no valid start: reads as 0
    Partial,    // a valid start followed by other text, which is ignored
    NotFinite,  // "nan", "inf" or a number too large for a double: reads as 0
    OutOfRange, // an integer beyond the 32-bit range (clamped), or an address cut
    NotHex,     // an address with a character that is not a hexadecimal digit: reads as -1
    Negative,   // an address of 8 digits from 80000000 on: reads as a negative number
};

struct NumberReading {
    FieldForm form;
    double value; // what the feeder stores; 0 for a position it never shows
};

struct IntegerReading {
    FieldForm form;
    std::int32_t value;
};

// The length of the number at `text` by the file's grammar: [sign] digits [. digits]
// [exponent], a digit before or after the point; 0 when there is none.
std::size_t DecimalLength(const char* text);
// The same, telling also whether the number has an exponent.
std::size_t DecimalLength(const char* text, bool& hasExponent);

// A decimal field (position, altitudes, track, speed, vertical rate).
NumberReading ReadNumberField(const char* text);

// The time field: a decimal integer, clamped to the 32-bit range.
IntegerReading ReadTimeField(const char* text);

// The address field. Removes its double quotes in place, as the feeder does before reading it
// as hexadecimal: an optional "0x", at most 18 characters, the last 8 digits counted.
IntegerReading ReadAddressField(char* text);
