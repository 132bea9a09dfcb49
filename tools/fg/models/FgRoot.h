#pragma once
// Where FlightGear's data is: the folder named on the command line, else the FG_ROOT
// environment variable, else the first of the platform's usual places that holds AI aircraft.

#include <string>
#include <vector>

struct FgRootChoice {
    std::string path;   // empty: none found
    std::string source; // how it was found, for the user
};

FgRootChoice ChooseFgRoot(const std::string& option);
// The folders FlightGear's data is installed in on this platform, most likely first.
std::vector<std::string> UsualFgRoots();
