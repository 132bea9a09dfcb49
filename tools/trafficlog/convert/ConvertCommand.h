// `trafficlog convert`: its messages and its exit code.
#pragma once

#include "config_control/CommandArguments.h"
#include "tools/trafficlog/console/TrafficLogConsole.h"

// The arguments after "convert". Exit codes: 0 converted; 1 rows could not be placed (an
// unsorted input: nothing written; an input that goes back in time: written without it); 2 a
// usage error or a file that cannot be read or written.
int RunConvert(CommandArguments& args, const TrafficLogConsole& console);
