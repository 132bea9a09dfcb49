#pragma once
// The runway thresholds a scenery knows better than the airport data:
// <scenery>/Airports/I/C/A/<ICAO>.threshold.xml, a PropertyList of <runway> elements, each with
// two <threshold> elements (<rwy>, <lat>, <lon>, <displ-m>).

#include "aviation/Airports.h"
#include "tools/fg/models/StartInput.h"

#include <string>
#include <string_view>

struct ThresholdCounts {
    int files = 0;
    int thresholds = 0; // applied to a runway end the index has
    int malformed = 0;  // files that could not be read or are no threshold file
};

// The thresholds of one file's text for the airport `code`; false when it is no threshold file
// (nothing is applied then).
bool ApplyThresholdText(std::string_view text, const std::string& code, AirportIndex& index,
                        int& applied);
// Every threshold file under `airportsFolder` (a scenery's Airports folder) into the index; a
// file that is not a regular file is counted as malformed, unread. Ends early when the watch
// asks it to.
ThresholdCounts ApplyThresholdFiles(const std::string& airportsFolder, AirportIndex& index,
                                    ReadWatch& watch = NoReadWatch());
