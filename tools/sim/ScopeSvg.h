// The scope as an SVG picture, written at each publication: the view box around the own-ship,
// the published aircraft with callsign and relative altitude, the counters and slots 1, 3, 6.
#pragma once

#include "error_report/QX_ErrorReport.h"
#include "tools/sim/ScopeText.h"

#include <string>

inline constexpr char kScopeSvgHeaderRevision[] =
    "%Z% CorvaneSim QX5001:09 ScopeSvg.h $Revision: 1.1 $";

std::string RenderScopeSvg(const ScopeState& state);

class ScopeSvgFile : public QX_ErrorReport {
public:
    // Writes the picture through a temporary file renamed over `path`, so that a viewer that
    // reloads the file never sees half a picture.
    bool Write(const char* path, const ScopeState& state);
};
