// What `trafficlog serve` is asked to do, read from its command line.
#pragma once

#include "config_control/CommandArguments.h"

#include <cstdint>

struct ServeOptions {
    static constexpr double kSlowest = 0.01;
    static constexpr double kFastest = 1000.0;

    std::uint16_t port = 0;
    const char* log = nullptr;
    double speed = 1.0;
    bool loop = false;
};

// The arguments after "serve". False, with what is wrong in the error text of `args`, for a
// usage error; true also when the walk ended at a help or version request (args.Request()).
bool ReadServeOptions(CommandArguments& args, ServeOptions& options);
