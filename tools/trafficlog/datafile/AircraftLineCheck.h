// The fields of one aircraft line held against what the feeder reads from them: the count of
// fields, control characters in the callsign, the address, the time, the position and the
// measures read as written, and values no aircraft flies.
#pragma once

#include "tools/trafficlog/datafile/TrafficFileChecker.h"

// Where the findings about one aircraft line go.
class LineFindingSink {
public:
    // A field by its number in the line, as written, and what the feeder does with it.
    virtual void FieldFinding(CheckFault fault, int field, const char* text,
                              const char* consequence) = 0;
    // The line as a whole.
    virtual void LineFinding(CheckFault fault, const char* text) = 0;

protected:
    ~LineFindingSink() = default;
};

// The `count` fields of a line split at its separators; the address field loses its quotes in
// place, as the feeder reads it.
void CheckAircraftFields(char** fields, int count, LineFindingSink& findings);
