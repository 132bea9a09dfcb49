// Why a value read from a recording is none an aircraft flies, in the words the converters and
// the checker report. The limits are the shared ones of traffic/FlightLimits.h: a value beyond
// them is a receiver's or a file's error, and moving such an aircraft forward throws it off the
// Earth.
#pragma once

enum class FlightValue {
    GroundSpeed,  // metres per second
    VerticalRate, // metres per second
    Height,       // metres
};

// False when the value is one an aircraft flies; else true, with `reason` (size bytes) naming
// the value as `name` (none when null) and saying why.
bool IsUnflyable(FlightValue kind, const char* name, double value, char* reason, int size);
// Whether the value is one an aircraft flies. The values flown of each kind form one interval:
// two values flown, and everything between them, are.
bool IsFlyable(FlightValue kind, double value);
