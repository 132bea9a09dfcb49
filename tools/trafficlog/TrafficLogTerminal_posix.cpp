// POSIX front of trafficlog: terminal detection.
#include "tools/trafficlog/TrafficLogTerminal.h"

#include <unistd.h>

namespace {
[[maybe_unused]] const char kRevision[] =
    "%Z% TrafficLog QX5002:20 TrafficLogTerminal_posix.cpp $Revision: 1.1 $";
}

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}
