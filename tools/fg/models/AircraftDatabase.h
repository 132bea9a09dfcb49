#pragma once
// An aircraft database by ICAO address, as the OpenSky Network publishes one
// (aircraftDatabase.csv, plain or gzip-compressed): registration, type designator, ICAO type
// description and operator of each airframe. The columns are found by the header's names;
// others are ignored. A row that cannot be read is counted and skipped.

#include "error_report/QX_ErrorReport.h"

#include <cstdint>
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
    // False when the file cannot be opened or its header names no icao24 column.
    bool Load(const std::string& path);

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
    void Settle();

    int addressColumn = -1;
    int registrationColumn = -1;
    int typeColumn = -1;
    int descriptionColumn = -1;
    int operatorColumn = -1;
    std::vector<Entry> entries;
    DatabaseCounts counts;
};
