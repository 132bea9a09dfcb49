// The quick test of an aircraft line against the view box: most aircraft of a recording lie far
// outside it, and the integer part of one coordinate settles them without splitting the line or
// converting a number. Whatever the quick test leaves open goes to the exact test, so the two
// together decide as the exact test alone would.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr char kQuickFilterHeaderRevision[] =
    "%Z% TrafficAnalyser QX2120:08 QuickFilter.h $Revision: 1.1 $";

// The whole-number floors, from lowest to highest, that a coordinate inside the box may have.
struct CoordinateFloors {
    std::int64_t lowest;
    std::int64_t highest;
};

// The floors of a coordinate whose box edges, in shifted degrees (shift added to the degrees and
// clamped to 0 to range), are lowEdge and highEdge.
CoordinateFloors FloorsInside(double shift, double lowEdge, double highEdge, double range);

struct PositionFloors {
    CoordinateFloors latitude;
    CoordinateFloors longitude;
};

// Bytes from the start of a line that the quick test may read to take 16 at a time.
inline constexpr std::size_t kWideReadBytes = 128;

// True when the coordinates (fields 3 and 4) certainly lie outside the floors. `readable`: how
// many bytes from `line` on may be read, its terminator among them or not; with kWideReadBytes
// or more the test reads 16 at a time where the processor allows, otherwise byte by byte up to
// the terminator. Both read the same.
bool IsClearlyOutside(const char* line, std::size_t readable, const PositionFloors& floors);

extern const char kQuickFilterSourceRevision[];
