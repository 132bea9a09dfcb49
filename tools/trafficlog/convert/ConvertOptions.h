// What `trafficlog convert` is asked to do, read from its command line.
#pragma once

#include "config_control/CommandArguments.h"
#include "tools/trafficlog/console/ListingLimit.h"
#include "tools/trafficlog/datafile/Region.h"

#include <cstdint>
#include <vector>

struct ConvertOptions {
    static constexpr double kDefaultStaleSeconds = 15.0;
    // A day of stale tolerance is more than any recording's gap between contacts.
    static constexpr double kMaxStaleSeconds = 86400.0;

    std::vector<const char*> inputs; // "-" is standard input
    const char* output = nullptr;
    double staleSeconds = kDefaultStaleSeconds;
    Region region;
    bool keepGround = false;
    bool hasFrom = false;
    std::int64_t from = 0;
    bool hasTo = false;
    std::int64_t to = 0;
    std::int64_t maxReport = ListingLimit::kDefault;
    // 1: everything on one thread; 2: each input unpacked on a second thread; 0: two where
    // the machine has two cores.
    std::int64_t threads = 0;
};

// The threads a conversion with `options` uses: 1 or 2.
int ConvertThreads(const ConvertOptions& options);

// The region options shared by convert and record: true when the current argument is one of
// them; `ok` is then false, with the error text in `args`, when its value is refused.
bool TakeRegionOption(CommandArguments& args, Region& region, bool& ok);

// The arguments after "convert". False, with what is wrong in the error text of `args`, for a
// usage error; true also when the walk ended at a help or version request (args.Request()).
bool ReadConvertOptions(CommandArguments& args, ConvertOptions& options);
