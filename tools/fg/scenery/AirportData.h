#pragma once
// FlightGear's airports as the bridge loads them at start: the index kept in the user's cache
// folder while FlightGear's apt.dat is the one it was made from, else read from apt.dat (and
// kept again), then the scenery's threshold files over it.

#include "aviation/Airports.h"
#include "tools/fg/scenery/AptDat.h"
#include "tools/fg/scenery/ThresholdFiles.h"

#include <string>

struct AirportData {
    AirportIndex index;
    std::string aptDat;     // the file the index stands for
    bool fromCache = false; // restored from the cache folder rather than read
    AptDatCounts counts;    // of a read, when there was one
    ThresholdCounts thresholds;
    std::string cacheNote; // why the index could not be kept, when it could not
};

// The airports of FlightGear's data folder `fgRoot`; `cacheFolder` empty: none kept. False,
// with the reason in `error`, when apt.dat cannot be read (the bridge goes on without
// airports) or the watch stopped the read.
bool LoadAirports(const std::string& fgRoot, const std::string& cacheFolder, AirportData& data,
                  std::string& error, ReadWatch& watch = NoReadWatch());
