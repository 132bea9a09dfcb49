// Where trafficlog writes, and the manner of its messages: every text that comes from a file,
// the system or the command line reaches the terminal on one line with its controls masked.
#pragma once

#include "config_control/CommandArguments.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

struct TrafficLogConsole {
    std::FILE* out;
    std::FILE* err;
    bool errIsTerminal; // progress bars only then
};

// Exit codes of every command. check and scan tell with kExitFindings what they found,
// convert that it could not place rows.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFindings = 1;
inline constexpr int kExitError = 2;

// The lines of the text joined with " / " (empty lines dropped), terminal controls masked.
std::string OneLine(std::string_view text);

// "trafficlog: PROBLEM" and the pointer to the help on the error stream. Returns kExitError.
int PrintUsageError(const TrafficLogConsole& console, std::string_view problem);

// "trafficlog: TEXT" on one line on the error stream: a notice or a warning.
void PrintNote(const TrafficLogConsole& console, std::string_view text);

// PrintNote of what went wrong. Returns kExitError.
int PrintFailure(const TrafficLogConsole& console, std::string_view text);

// What the arguments settled before the command's work: a usage error (ok false), the help or
// the version, each printed, with its exit code. Nothing when the command is to go on.
std::optional<int> Settled(const TrafficLogConsole& console, const CommandArguments& args, bool ok,
                           const char* command);

// The help of the command (the overview for null) or the version. Returns kExitSuccess.
int Answer(const TrafficLogConsole& console, ArgumentRequest request, const char* command);

// The system's reason in a socket's report ("where", the reason, the address on lines of their
// own), begun in lower case and without a full stop, to stand inside a sentence.
std::string SystemReason(const std::string& report);

// "1 entry", "2 entries", "0 entries".
std::string CountOf(long long count, const char* one, const char* many);
