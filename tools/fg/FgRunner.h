#pragma once
// corvane-fg's run: listens for FlightGear, attaches to the block, and ticks the bridge ten
// times a second until the simulation has ended or the user quits; log lines, or a compact
// view on a terminal.

#include "platform/ProcessTerminal.h"
#include "tools/fg/FgOptions.h"

#include <cstdio>

inline constexpr int kFgUsageExitCode = 2;

// Exit code: 0 after a normal end (a stop asked for while loading too), 1 when an input the user
// named cannot be used, the port or the block cannot be used, the block was removed (without
// keepRunning) or the log cannot be written, 2 when the traffic would be sent where the bridge
// listens.
int RunBridge(const FgOptions& options, ProcessTerminal& terminal, std::FILE* out, std::FILE* err);
