// What `trafficlog convert` is asked to do, read from its command line.
#pragma once

#include "tools/trafficlog/Region.h"

#include <cstdint>
#include <vector>

inline constexpr char kConvertOptionsHeaderRevision[] =
    "%Z% TrafficLog QX5002:57 ConvertOptions.h $Revision: 1.1 $";

struct ConvertOptions {
    static constexpr double kDefaultStaleSeconds = 15.0;
    static constexpr std::int64_t kDefaultMaxReport = 100;

    std::vector<const char*> inputs; // "-" is standard input
    const char* output = nullptr;
    double staleSeconds = kDefaultStaleSeconds;
    Region region;
    bool keepGround = false;
    bool hasFrom = false;
    std::int64_t from = 0;
    bool hasTo = false;
    std::int64_t to = 0;
    std::int64_t maxReport = kDefaultMaxReport;
};

// The region options shared by convert and record: true when `option` is one of them (its value
// is then taken from `value`); `problem` says what is wrong when the value is not usable.
bool TakeRegionOption(const char* option, const char* value, Region& region, bool& bad,
                      char* problem, int size);

// The words after "convert". False, with what is wrong in `problem`, for a usage error.
bool ParseConvertOptions(int count, const char* const* words, ConvertOptions& options,
                         char* problem, int size);
