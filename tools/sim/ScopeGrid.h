// The terminal scope: the box around the own-ship as a grid of characters with each published
// aircraft's symbol and label, the status and the legend beside it, and the diagnostic slots
// below. It fills the terminal it is given, and never less than 80 by 24 (a smaller terminal
// sees the top left of that).
#pragma once

#include "tools/sim/ScopeText.h"

#include <string>
#include <vector>

inline constexpr int kScopeMinColumns = 80;
inline constexpr int kScopeMinRows = 24;
// The status and legend beside the grid.
inline constexpr int kScopePanelWidth = 33;

// Cell of a position in a grid of `columns` by `rows` (both odd, the own-ship in the middle):
// false outside the box.
bool ScopeCell(const OwnShipFix& own, double latitude, double longitude, int columns, int rows,
               int& column, int& row);

// At most `rows` lines of at most `columns` - 1 characters: the last column stays free, since
// writing into it makes some terminals wrap.
std::vector<std::string> RenderScope(const ScopeState& state, int columns, int rows);
