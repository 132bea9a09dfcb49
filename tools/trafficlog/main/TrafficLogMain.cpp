// trafficlog: makes, converts, records, checks and scans historic traffic data files.
#include "platform/ProcessTerminal.h"
#include "tools/trafficlog/main/TrafficLogCommand.h"

#include <cstdio>

namespace {}

int main(int argc, char** argv) {
    const TrafficLogConsole console{stdout, stderr, StandardErrorIsTerminal()};
    return RunTrafficLog(argc, argv, console);
}
