// The trafficlog program: its commands (generate, convert, record, serve, check, scan) and their
// options, apart from the terminal, which the front of the program describes.
#pragma once

#include "tools/trafficlog/console/TrafficLogConsole.h"

// Runs the command named by argv[1]; returns the exit code (TrafficLogConsole.h, and the help
// texts, which tell them per command).
int RunTrafficLog(int argc, const char* const* argv, const TrafficLogConsole& console);
