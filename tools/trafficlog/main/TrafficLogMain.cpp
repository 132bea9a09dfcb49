// trafficlog: makes, converts, records, checks and scans historic traffic data files.
#include "platform/ProcessTerminal.h"
#include "tools/trafficlog/main/TrafficLogCommand.h"

#include <cstdio>

namespace {
[[maybe_unused]] const char kRevision[] =
    "%Z% TrafficLog QX5002:22 TrafficLogMain.cpp $Revision: 1.1 $";
}

int main(int argc, char** argv) {
    const TrafficLogConsole console{stdout, stderr, StandardErrorIsTerminal()};
    return RunTrafficLog(argc, argv, console);
}
