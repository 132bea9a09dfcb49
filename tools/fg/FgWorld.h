#pragma once
// The world the bridge places its traffic in, loaded once at start: the geoid grid that takes
// recorded heights to FlightGear's frame, FlightGear's airports, and where their ground
// networks are (each read when traffic first comes to its airport).

#include "aviation/Geoid.h"
#include "tools/fg/FgOptions.h"
#include "tools/fg/scenery/AirportData.h"
#include "tools/fg/scenery/GroundNetFile.h"

#include <string>
#include <vector>

struct FgWorld {
    GeoidGrid geoid;
    AirportData airports;
    bool airportsLoaded = false;
    GroundNetworks networks{{}};
};

// Loads both; what was found (or not) goes to `notes`, one line each. Without them the bridge
// goes on and says what the user loses. False, with the reason in `error`, only when the grid
// the user named with --geoid (which may be a FIFO or a pipe) cannot be used, when the watch
// stopped a read, or when an input needs more memory than the machine gives.
bool LoadWorld(const FgOptions& options, FgWorld& world, std::vector<std::string>& notes,
               std::string& error, ReadWatch& watch = NoReadWatch());
