// The command line of corvane-sim.
#pragma once

#include "error_report/QX_ErrorReport.h"
#include "tools/sim/SimPeer.h"

inline constexpr char kSimOptionsHeaderRevision[] =
    "%Z% CorvaneSim QX5001:11 SimOptions.h $Revision: 1.1 $";

inline constexpr char kSimUsage[] =
    "usage: corvane-sim [--name NAME] [--loop LAT,LON,RADIUS_NM,SPEED_KT | --fixed LAT,LON |\n"
    "                   --leg LAT,LON,TRACK_DEG,SPEED_KT] [--alt FEET] [--sounds T:CODE,...]\n"
    "                   [--end-after SECONDS] [--svg FILE] [--log]\n"
    "       corvane-sim [--name NAME] --remove [--force]\n"
    "Default route: a loop of 15 NM radius at 250 kt starting at 50.45 N, 0.01 E.\n"
    "--sounds 5:0,12:10 requests code 0 at 5 s and code 10 (silence) at 12 s.\n"
    "--end-after N sets the ending state after N s; the stand-in ends 8 s later.\n"
    "--log prints one line per publication even on a terminal.\n"
    "--remove unlinks a stale block; it refuses while a client is attached (--force anyway).\n";

struct SimOptions {
    SimSettings settings;
    const char* name = "VisualInterface";
    const char* svgPath = nullptr;
    bool logLines = false;
    bool remove = false;
    bool force = false;
    bool help = false;
};

class SimOptionParser : public QX_ErrorReport {
public:
    // False, with the reason in the error text, on an unknown option or a bad value.
    bool Parse(int argc, const char* const* argv, SimOptions& options);
};
