#pragma once
// Which geoid grid the bridge reads: the file named on the command line, else EGM96's 15-minute
// grid (egm96_15.gtx) in PROJ's data folder (PROJ_DATA, or PROJ_LIB of older PROJ), else the
// first of the platform's usual places that holds it.

#include <string>
#include <vector>

inline constexpr char kGeoidGridName[] = "egm96_15.gtx";

struct GeoidChoice {
    std::string path;   // empty: none found
    std::string source; // how it was found, for the user
};

GeoidChoice ChooseGeoid(const std::string& option);
// The grid files this platform's installations put in place, most likely first.
std::vector<std::string> UsualGeoidGrids();
