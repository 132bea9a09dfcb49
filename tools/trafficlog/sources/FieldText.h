// Reading the fields of recorded rows (CSV columns, BaseStation message fields): trimmed text,
// and numbers as the feeder would read them.
#pragma once

#include <cstdint>

// The text without the spaces and double quotes around it (changed in place).
char* TrimField(char* text);
// The same for a text whose terminator is known to stand at `end`.
char* TrimField(char* text, char* end);

// True when the whole text is a decimal integer ([sign] digits) that fits 64 bits; its value.
bool ReadFieldInteger(const char* text, std::int64_t& value);

// True for one to six hexadecimal digits: an ICAO aircraft address of 24 bits.
bool IsAddressText(const char* text);

// True when the whole text is one finite decimal number ([sign] digits [. digits] [exponent]):
// no white space, no hexadecimal form, no inf or nan, which the feeder would not read as
// written.
bool IsFieldNumber(const char* text);
// IsFieldNumber, and its value.
bool ReadFieldNumber(const char* text, double& value);

// Where a field number's value certainly lies: [low, high], a single value where low == high.
struct FieldNumberRange {
    double low;
    double high;
};
// IsFieldNumber, and the range of its value: for a plain decimal of at most 15 integer digits
// the whole numbers around it, read from the integer part alone; the value for any other form.
// A value that is only compared, and written back as it was read, is then converted exactly
// only where the comparison falls inside the range: the archives hold 15 to 17 significant
// digits, which no quick conversion reads.
bool ReadFieldRange(const char* text, FieldNumberRange& range);
