// `trafficlog convert`: its command line, its messages and its exit code.
#pragma once

#include "tools/trafficlog/TrafficLogCommand.h"

inline constexpr char kConvertCommandHeaderRevision[] =
    "%Z% TrafficLog QX5002:69 ConvertCommand.h $Revision: 1.1 $";

// The words after "convert". Exit codes: 0 converted; 1 rows could not be placed (an unsorted
// input: nothing written; an input that goes back in time: written without it); 2 a usage
// error or a file that cannot be read or written.
int RunConvert(int count, const char* const* words, const TrafficLogConsole& console);
