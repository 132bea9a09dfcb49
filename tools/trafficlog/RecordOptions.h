// What `trafficlog record` is asked to do, read from its command line.
#pragma once

#include "tools/trafficlog/Region.h"

#include <cstdint>
#include <string>

inline constexpr char kRecordOptionsHeaderRevision[] =
    "%Z% TrafficLog QX5002:71 RecordOptions.h $Revision: 1.1 $";

struct RecordOptions {
    std::string host;
    std::uint16_t port = 0;
    const char* output = nullptr;
    std::int64_t durationSeconds = 0; // 0: until stopped
    double staleSeconds = 15.0;
    Region region;
};

// The words after "record". False, with what is wrong in `problem`, for a usage error.
bool ParseRecordOptions(int count, const char* const* words, RecordOptions& options, char* problem,
                        int size);
