// The plain forms of an aircraft line's fields, and the line made of them all, as the writers of
// data files put them down. The feeder reads a plain field exactly as written, so a plain value
// within what an aircraft flies needs no closer look: nearly every line of a recording is settled
// in one walk, and any other line is left to the field-by-field reading.
#pragma once

#include "tools/trafficlog/datafile/TrafficFileWriter.h"

#include <string_view>

// The fields of an aircraft line by number, in file order.
inline constexpr int kCallsignField = 0;
inline constexpr int kAddressField = 1;
inline constexpr int kTimeField = 2;
inline constexpr int kLatitudeField = 3;
inline constexpr int kLongitudeField = 4;
inline constexpr int kFirstMeasureField = 5; // altitudes, track, ground speed, vertical rate
inline constexpr int kTrackField = 7;
inline constexpr int kGroundSpeedField = 8;
inline constexpr int kVerticalRateField = 9;

struct ValueRange {
    double low;
    double high;
};

// What each number field holds, from the latitude on: a position on the Earth, then the
// barometric and geometric altitude, track, ground speed and vertical rate of an aircraft in
// flight.
extern const ValueRange kPlainValueRange[kAircraftLineFields - kLatitudeField];

// True when the field is a plain decimal ([sign] digits [. digits], nothing before or after it)
// whose value certainly lies within low to high: the feeder reads it exactly as written, which
// settles most fields without converting them. False settles nothing.
bool IsPlainNumberWithin(const char* text, double low, double high);

// True when `line` (without its line feed) is certainly made of plain fields: a callsign
// without control characters, an address of one to eight hexadecimal digits below 80000000, a
// time of digits within the 32-bit range, plain decimals within their ranges (the measures
// possibly empty), fields after the tenth free of the tag mark. A NUL byte anywhere settles
// nothing, and neither does false. The byte after the line must be readable and none of a
// field's: its line end or a terminator.
bool IsPlainAircraftLine(std::string_view line);
