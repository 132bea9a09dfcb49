#pragma once
// FlightGear's airport data, $FG_ROOT/Airports/apt.dat.gz (the X-Plane apt.dat form, version
// 1000): a row per line, its kind the first number. What the bridge keeps of it: the airports
// (rows 1 land, 16 seaplane base, 17 heliport: elevation in feet, then the code), their land
// runways (row 100: width, then each end's number, latitude, longitude and displaced threshold),
// and the water runways (101) and helipads (102) that place the other airports. Every other
// row is passed over unread. A malformed row is counted and skipped, never fatal: a runway row
// under a malformed airport row goes with it. The world has about 34 000 airports and as many
// land runways: a file with many times more is no airport data, and is refused before what it
// holds outgrows memory.

#include "aviation/Airports.h"
#include "tools/fg/models/StartInput.h"

#include <string>
#include <string_view>

inline constexpr std::size_t kMaxAirports = 250000;
inline constexpr std::size_t kMaxRunways = 500000;

struct AptDatCounts {
    long long lines = 0;
    long long malformed = 0;
};

// One line of the file into the index (for a reader that has its lines already).
class AptDatRows {
public:
    AptDatRows(AirportIndex& index, AptDatCounts& counts) : index(index), counts(counts) {}
    void Take(std::string_view line);
    // An airport or a runway beyond kMaxAirports or kMaxRunways came: it was not taken.
    bool Overflowed() const { return overflowed; }

private:
    void TakeAirport(std::string_view line, AirportKind kind);
    void TakeRunway(std::string_view line);
    void TakePlace(std::string_view line, int latitudeField);

    AirportIndex& index;
    AptDatCounts& counts;
    bool inAirport = false; // the last airport row was read
    bool overflowed = false;
};

// The file (plain or gzip-compressed, a regular file) into the index, which is then finished.
// False, with the reason in `error`, when it cannot be opened or read, holds too many airports
// or runways, or the watch stopped the read.
bool ReadAptDat(const std::string& path, AirportIndex& index, AptDatCounts& counts,
                std::string& error, ReadWatch& watch = NoReadWatch());
