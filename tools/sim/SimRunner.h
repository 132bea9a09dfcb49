// The stand-in's run: attaches to the block, steps the simulation every 100 ms in real time,
// and shows each publication (scope on a terminal, else log lines; optionally an SVG file),
// until the simulation has ended, the user quits or the output is gone. And its other job:
// removing a stale block.
#pragma once

#include "platform/ProcessTerminal.h"
#include "tools/sim/SimOptions.h"

#include <cstdio>

// Exit code: kSimExitNormal after a normal end; kSimExitCannotRun when the block cannot be
// attached or the output fails (the simulation is then ended and the block detached);
// kSimExitUsage when the --svg file cannot be written at the start. Every message is one line.
int RunStandIn(const SimOptions& options, ProcessTerminal& terminal, std::FILE* out,
               std::FILE* err);

// Unlinks the block `name` unless another program holds it, as the system tells, or `force`.
// Exit code 0 when removed, 1 when refused or failed. A Windows block goes with its last user
// and is never removed here: 1, with the reason and the block's attach count.
int RemoveStaleBlock(const char* name, bool force, std::FILE* out, std::FILE* err);
