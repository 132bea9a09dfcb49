// The trafficlog program: its commands (generate, convert, check, scan) and their options,
// apart from the terminal, which the front of the program describes.
#pragma once

#include <cstdio>

inline constexpr char kTrafficLogCommandHeaderRevision[] =
    "%Z% TrafficLog QX5002:17 TrafficLogCommand.h $Revision: 1.1 $";

struct TrafficLogConsole {
    std::FILE* out;
    std::FILE* err;
    bool errIsTerminal; // progress bars only then
};

// Exit codes: 0 success (check: a clean file), 1 check found faults or could not read the
// file, 2 usage or file errors of the other commands.
int RunTrafficLog(int argc, const char* const* argv, const TrafficLogConsole& console);
