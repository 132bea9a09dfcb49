// Where trafficlog writes, and the manner of its messages: every text that comes from a file,
// the system or the command line reaches the terminal on one line with its controls masked.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

inline constexpr char kTrafficLogConsoleHeaderRevision[] =
    "%Z% TrafficLog QX5002:42 TrafficLogConsole.h $Revision: 1.1 $";

struct TrafficLogConsole {
    std::FILE* out;
    std::FILE* err;
    bool errIsTerminal; // progress bars only then
};

// Exit codes of every command; check and scan tell with kExitFindings what they found.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFindings = 1;
inline constexpr int kExitError = 2;

// The lines of the text joined with " / " (empty lines dropped), terminal controls masked.
std::string OneLine(std::string_view text);

// "trafficlog: PROBLEM" and the pointer to the help on the error stream. Returns kExitError.
int PrintUsageError(const TrafficLogConsole& console, std::string_view problem);

// "trafficlog: TEXT" on one line on the error stream. Returns kExitError.
int PrintFailure(const TrafficLogConsole& console, std::string_view text);

// "1 entry", "2 entries", "0 entries".
std::string CountOf(long long count, const char* one, const char* many);
