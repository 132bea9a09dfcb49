// Calendar times as recordings and users write them, as seconds since 1970-01-01 00:00 UTC.
#pragma once

#include <cstdint>

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar (no range limit beyond
// the 64-bit one; the caller checks month and day).
std::int64_t DaysFromCivil(std::int64_t year, int month, int day);

// A date "YYYY/MM/DD" or "YYYY-MM-DD" and a time "HH:MM[:SS[.fff]]" (fractions dropped) into
// seconds. False for anything else, an impossible date or time, or a year outside 1900-9999.
bool ParseUtcDateTime(const char* date, const char* time, std::int64_t& seconds);

// A time as the command line takes it: whole seconds since 1970 ("1656331200"), or a date and
// time "2022-06-27T12:00:00Z" / "2022-06-27 12:00" (UTC), or a date alone (its midnight).
bool ParseTimeOption(const char* text, std::int64_t& seconds);
