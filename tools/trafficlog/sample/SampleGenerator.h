// Makes the deterministic sample recording: flights between the airports of SampleAirspace,
// flown with plausible climb, cruise and descent, recorded every ten seconds like a download of
// recorded state vectors (metres, metres per second, degrees, seconds since 1970).
#pragma once

#include "error_report/QX_ErrorReport.h"

#include <cstdint>

struct SampleOptions {
    std::int64_t startTime = 1717228800; // 2024-06-01 08:00:00 UTC
    std::int32_t durationSeconds = 3600;
    double flightsPerHour = 80.0;
    std::uint64_t seed = 1;
};

inline constexpr std::int32_t kSampleInterval = 10; // seconds between entries

class SampleGenerator : public QX_ErrorReport {
public:
    // Writes the whole recording; same options, same bytes.
    bool Generate(const SampleOptions& options, const char* path);

    std::int32_t EntriesWritten() const { return entries; }
    std::int64_t AircraftLinesWritten() const { return aircraftLines; }

private:
    std::int32_t entries = 0;
    std::int64_t aircraftLines = 0;
};
