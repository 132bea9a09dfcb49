#pragma once
// What the bridge shows: the status line of its log and the compact terminal view.

#include "tools/fg/FgBridge.h"
#include "tools/fg/FgOptions.h"

#include <cstdint>
#include <string>
#include <vector>

// "receiving", "waiting", "silent".
const char* LinkName(FgLink link);

// One line: link state and message rate, own-ship, aircraft forwarded, alert request.
std::string StatusLine(const FgStatus& status, double now);

// The terminal view: a few labelled lines and, in two rows each at most, the latest events
// that fit under them; every line shorter than `columns` characters (a line that fills the row
// wraps on some terminals), no more lines than `rows`.
std::vector<std::string> StatusView(const FgStatus& status, const FgOptions& options,
                                    const std::vector<std::string>& recentEvents, double now,
                                    int columns, int rows);
