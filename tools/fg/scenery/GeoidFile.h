#pragma once
// Which geoid grid the bridge reads: the file named on the command line, else EGM96's 15-minute
// grid (egm96_15.gtx) in PROJ's data folder (PROJ_DATA, or PROJ_LIB of older PROJ), else the
// first of the platform's usual places that holds it.

#include "aviation/Geoid.h"
#include "tools/fg/models/StartInput.h"

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

// Reads a .gtx file into `grid` as it comes, holding nothing but the grid (a FIFO or a pipe too
// where `kinds` says so). False, with the reason in `error`, when it cannot be read, is no grid,
// or the watch stopped the read; the grid then holds nothing.
bool LoadGeoidGrid(const std::string& path, FileKinds kinds, GeoidGrid& grid, std::string& error,
                   ReadWatch& watch = NoReadWatch());
