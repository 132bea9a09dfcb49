// The command line of corvane-sim.
#pragma once

#include "error_report/QX_ErrorReport.h"
#include "tools/sim/OwnShipRoute.h"
#include "tools/sim/SoundScript.h"

// Exit codes, as --help states them.
inline constexpr int kSimExitNormal = 0;
inline constexpr int kSimExitCannotRun = 1;
inline constexpr int kSimExitUsage = 2;

// The text of --help: these options, the words on values every program's help has, the notes.
const char* SimUsageText();
inline constexpr char kSimUsageOptions[] =
    "Usage: corvane-sim [OPTION]...\n"
    "  or:  corvane-sim [--name NAME] --remove [--force]\n"
    "Stands in for the flight simulator: joins (or creates) the shared block\n"
    "\"VisualInterface\", keeps the simulation state, the own-ship position and the\n"
    "alert request current, and shows what the visual system receives: a scope on a\n"
    "terminal, otherwise one log line per change.\n"
    "\n"
    "The own-ship's route:\n"
    "  --loop LAT,LON,RADIUS_NM,SPEED_KT\n"
    "                         anticlockwise circle whose southernmost point is\n"
    "                         LAT,LON, left heading east\n"
    "  --fixed LAT,LON        stay at LAT,LON\n"
    "  --leg LAT,LON,TRACK_DEG,SPEED_KT\n"
    "                         a great circle from LAT,LON (over a pole and on)\n"
    "\n"
    "LAT -90 to 90, LON -180 to 180, RADIUS_NM above 0 up to 1000, SPEED_KT 0 to\n"
    "2000. Without a route the own-ship flies --loop 50.45,0.01,15,250.\n"
    "\n"
    "Options:\n"
    "  --alt FEET             own-ship altitude, -2000 to 100000 (default 6000)\n"
    "  --sounds T:CODE,...    alert requests: CODE from T seconds on; 5:0,12:10 asks\n"
    "                         for Traffic at 5 s and Silence at 12 s. CODE is\n"
    "                         0 Traffic, 1 Climb, 2 Climb now, 3 Descend,\n"
    "                         4 Descend now, 5 Clear of traffic,\n"
    "                         6 TCAS system failure or 10 Silence\n"
    "  --end-after SECONDS    the ending state after SECONDS; the stand-in ends 8 s\n"
    "                         later\n"
    "  --name NAME            the block's name (default VisualInterface)\n"
    "  --svg FILE             also write the scope as an SVG picture at each\n"
    "                         publication\n"
    "  --log                  log lines even on a terminal\n"
    "  --remove               remove a stale block; refused while another program\n"
    "                         holds it (Windows leaves none: a block goes with its\n"
    "                         last user, and there it says what holds it)\n"
    "  --force                with --remove: remove it all the same\n"
    "  -h, --help             show this help and exit\n"
    "  --version              show the version and exit\n"
    "\n";
inline constexpr char kSimUsageNotes[] =
    "On a terminal q, Escape or Ctrl-C ends the simulation (the feeder then ends\n"
    "itself).\n"
    "\n"
    "Exit status: 0 after a normal end (the simulation ended, the user quit, a\n"
    "signal) or a removal; 1 when the block cannot be attached, the output cannot be\n"
    "written, or --remove refuses or fails; 2 on a usage error (a bad option or\n"
    "value, an --svg file that cannot be written).\n";

struct SimSettings {
    OwnShipRoute route = OwnShipRoute::Loop(kDefaultOwnLatitude, kDefaultOwnLongitude,
                                            kDefaultLoopRadiusNm, kDefaultSpeedKt);
    SoundScript sounds;
    double endAfterSeconds = -1; // below 0: the simulation does not end by itself
    double ownAltitudeFt = 6000;
};

struct SimOptions {
    SimSettings settings;
    const char* name = "VisualInterface";
    const char* svgPath = nullptr;
    bool logLines = false;
    bool remove = false;
    bool force = false;
    bool help = false;
    bool version = false;
};

class SimOptionParser : public QX_ErrorReport {
public:
    // False on an unknown option or a bad value, with one line in the error text that says
    // what is wrong ("--fixed 91,0: latitude out of range (-90 to 90)"). -h, --help and
    // --version end the reading: what follows them is not looked at.
    bool Parse(int argc, const char* const* argv, SimOptions& options);
};
