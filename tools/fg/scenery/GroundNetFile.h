#pragma once
// FlightGear's ground networks: <scenery>/Airports/I/C/A/<ICAO>.groundnet.xml, with its
// parkings (<Parking index lat lon heading radius .../>), taxiway nodes (<node index lat lon
// .../>) and arcs (<arc begin end .../>), coordinates written "N21 19.725" (hemisphere, degrees,
// decimal minutes). Read when an aircraft first comes to the airport, and kept.

#include "aviation/GroundNetwork.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct GroundNetCounts {
    int malformed = 0; // elements that could not be read, skipped
    int dropped = 0;   // arcs to a point the file does not have
};

// The network of one file's text; false when it is no ground network (nothing is read then).
bool ReadGroundNet(std::string_view text, GroundNetwork& network, GroundNetCounts& counts);
// A coordinate as the files write it ("N21 19.725", "W157 54.858") or in decimal degrees,
// south and west negative; false when it is neither or out of range.
bool ReadGroundNetCoordinate(std::string_view text, bool latitude, double& degrees);

// The scenery folders ground networks are looked for in, first found first used: those of
// FG_SCENERY (a path list), then FlightGear's own, $FG_ROOT/Scenery.
std::vector<std::string> SceneryFolders(const std::string& fgRoot);

class GroundNetworks {
public:
    explicit GroundNetworks(std::vector<std::string> sceneryFolders);

    // The ground network of the airport `code`, from the first scenery folder that has one;
    // none when none has, or the file is none. Read at the first request and kept.
    const GroundNetwork* Of(const char* code);
    // Networks read so far, and files that were no network.
    int Read() const { return read; }
    int Unreadable() const { return unreadable; }

private:
    std::vector<std::string> folders;
    std::unordered_map<std::string, std::unique_ptr<GroundNetwork>> networks; // null: none
    int read = 0;
    int unreadable = 0;
};
