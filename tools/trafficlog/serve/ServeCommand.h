// `trafficlog serve`: what it shows while it runs, and its exit code.
#pragma once

#include "config_control/CommandArguments.h"
#include "tools/trafficlog/console/TrafficLogConsole.h"

// The arguments after "serve". Exit codes: 0 the log served to its end, or stopped; 1 the log
// holds no message; 2 a usage error, a port that cannot be used or a log that cannot be read.
int RunServe(CommandArguments& args, const TrafficLogConsole& console);
