// `trafficlog record`: its command line, what it shows while it runs, and its exit code.
#pragma once

#include "tools/trafficlog/TrafficLogCommand.h"

inline constexpr char kRecordCommandHeaderRevision[] =
    "%Z% TrafficLog QX5002:75 RecordCommand.h $Revision: 1.1 $";

// The words after "record". Exit codes: 0 recorded and closed; 2 a usage error or a data file
// that cannot be written.
int RunRecord(int count, const char* const* words, const TrafficLogConsole& console);
