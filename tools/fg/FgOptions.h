#pragma once
// The command line of corvane-fg.

#include "error_report/QX_ErrorReport.h"
#include "shared_memory/VisualInterfaceShm.h"
#include "tools/fg/FgBridge.h"

#include <cstdint>
#include <string>

inline constexpr int kHostSize = 64;

enum class FgAction { Run, Help, Version, Match };

struct FgOptions {
    FgAction action = FgAction::Run;
    FgSettings settings;
    const char* name = kVisualInterfaceName;
    // Where FlightGear's own position comes in (its --multiplay=out goes there).
    char listenHost[kHostSize] = "127.0.0.1";
    std::uint16_t listenPort = 5002;
    // Where FlightGear takes the traffic (its --multiplay=in listens there).
    char sendHost[kHostSize] = "127.0.0.1";
    std::uint16_t sendPort = 5000;
    // FlightGear's property server (its --telnet), port 0: none.
    char telnetHost[kHostSize] = "127.0.0.1";
    std::uint16_t telnetPort = 0;
    bool logLines = false;
    // The feeder publishes live traffic (corvane --live): records are moved on from their own
    // times.
    bool live = false;
    // Where FlightGear's AI models are (empty: FG_ROOT, else the usual place), the aircraft
    // database and the user's model table (empty: none).
    std::string fgRoot;
    // The geoid grid (empty: PROJ's data folder, else the usual place).
    std::string geoid;
    std::string aircraftDb;
    std::string modelTable;
    // --match: CALLSIGN[/ADDRESS] whose model is to be shown.
    std::string matchQuery;
};

class FgOptionParser : public QX_ErrorReport {
public:
    // False on a usage error; the error text is then the problem alone, in one line.
    bool Parse(int argc, const char* const* argv, FgOptions& options);
};

// The text of --help.
const char* FgUsageText();
// The text of --version: the product version, and the block's version tag on a line of its own.
const char* FgVersionText();
