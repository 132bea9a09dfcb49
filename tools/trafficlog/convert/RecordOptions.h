// What `trafficlog record` is asked to do, read from its command line.
#pragma once

#include "config_control/CommandArguments.h"
#include "tools/trafficlog/datafile/Region.h"

#include <cstdint>
#include <string>

struct RecordOptions {
    static constexpr double kDefaultStaleSeconds = 15.0;
    // The tracker forgets an aircraft long before this.
    static constexpr double kMaxStaleSeconds = 3600.0;
    static constexpr std::int64_t kMaxDuration = 366LL * 86400;

    std::string host;
    std::uint16_t port = 0;
    const char* output = nullptr;
    std::int64_t durationSeconds = 0; // 0: until stopped
    double staleSeconds = kDefaultStaleSeconds;
    Region region;
};

// The arguments after "record". False, with what is wrong in the error text of `args`, for a
// usage error; true also when the walk ended at a help or version request (args.Request()).
bool ReadRecordOptions(CommandArguments& args, RecordOptions& options);
