#pragma once
// What the bridge shows: the status line of its log and the compact terminal view.

#include "tools/fg/FgBridge.h"
#include "tools/fg/FgOptions.h"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr char kFgStatusTextHeaderRevision[] =
    "%Z% CorvaneFg QX5003:17 FgStatusText.h $Revision: 1.1 $";

// "receiving", "waiting", "silent".
const char* LinkName(FgLink link);

// One line: link state and message rate, own-ship, aircraft forwarded, alert request.
std::string StatusLine(const FgStatus& status, double now);

// The terminal view: a few labelled lines and the latest events under them, every line cut
// to fewer than `columns` characters (a line that fills the row would wrap on some terminals).
std::vector<std::string> StatusView(const FgStatus& status, const FgOptions& options,
                                    const std::vector<std::string>& recentEvents, double now,
                                    int columns);
