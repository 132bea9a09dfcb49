// `trafficlog record`: what it shows while it runs, and its exit code.
#pragma once

#include "config_control/CommandArguments.h"
#include "tools/trafficlog/console/TrafficLogConsole.h"

// The arguments after "record". Exit codes: 0 recorded and closed; 1 no message came from the
// feed (the file is removed); 2 a usage error or a data file that cannot be written.
int RunRecord(CommandArguments& args, const TrafficLogConsole& console);
