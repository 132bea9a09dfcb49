#pragma once
// An aircraft database by ICAO address, as the OpenSky Network publishes one
// (aircraftDatabase.csv, plain or gzip-compressed): registration, type designator, ICAO type
// description and operator of each airframe. The columns are found by the header's names;
// others are ignored. A row that cannot be read is counted and skipped. One entry is kept per
// address as the rows come, the last row of an address counting: what the database holds grows
// with its aircraft (at most 2^24), never with its rows.

#include "error_report/QX_ErrorReport.h"
#include "tools/fg/models/StartInput.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

// A line longer than this is no row of an aircraft database.
inline constexpr int kMaxDatabaseLine = 4096;

struct AircraftInfo {
    char registration[12];
    char typeCode[8];     // ICAO designator, e.g. A320
    char description[4];  // ICAO type description, e.g. L2J
    char operatorCode[4]; // ICAO airline designator
};

// An ICAO address written as 1 to 6 hexadecimal digits, either case.
bool ReadIcaoAddress(std::string_view text, std::uint32_t& address);

struct DatabaseCounts {
    std::int64_t rows = 0;
    std::int64_t bad = 0;
};

class AircraftDatabase : public QX_ErrorReport {
public:
    // False when the file cannot be opened or read to its end, its header names no icao24
    // column, or the watch stopped the read. `kinds`: whether a FIFO or a pipe is read too.
    bool Load(const std::string& path, FileKinds kinds = FileKinds::RegularOnly,
              ReadWatch& watch = NoReadWatch());

    // The airframe of an address; nullptr when the database does not have it.
    const AircraftInfo* Find(std::uint32_t address) const;
    const DatabaseCounts& Counts() const { return counts; }
    std::size_t Size() const { return entries.size(); }

private:
    struct Entry {
        std::uint32_t address;
        AircraftInfo info;
    };

    bool TakeRow(const std::vector<std::string>& fields);
    // The slot that holds the address, or the empty one where it would go.
    std::size_t SlotOf(std::uint32_t address) const;
    static std::uint64_t SlotValue(std::size_t index, std::uint32_t address);
    void Grow();

    int addressColumn = -1;
    int registrationColumn = -1;
    int typeColumn = -1;
    int descriptionColumn = -1;
    int operatorColumn = -1;
    // One per address, in the order first met; never moved as it grows, so that no second
    // copy is ever made of them.
    std::deque<Entry> entries;
    // Open addressing over the entries, never more than three quarters full: an entry's index
    // plus one in the high half, its address in the low half (so that a probe need not look at
    // the entry), 0 for an empty slot.
    std::vector<std::uint64_t> slots;
    int slotBits = 0;
    DatabaseCounts counts;
};
