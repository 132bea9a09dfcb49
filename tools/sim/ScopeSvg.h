// The scope as an SVG picture, written at each publication: the view box around the own-ship
// with its grid, the published aircraft with their labels (beside the symbol, farther out with a
// leader line, or numbered when the picture is too crowded), the status and legend beside it and
// the diagnostic slots 1, 3 and 6 below, wrapped to the picture's width.
#pragma once

#include "error_report/QX_ErrorReport.h"
#include "tools/sim/ScopeText.h"

#include <string>

std::string RenderScopeSvg(const ScopeState& state);

class ScopeSvgFile : public QX_ErrorReport {
public:
    // Writes the picture through a temporary file renamed over `path`, so that a viewer that
    // reloads the file never sees half a picture.
    bool Write(const char* path, const ScopeState& state);
};
