// Windows front of trafficlog: terminal detection.
#include "tools/trafficlog/TrafficLogTerminal.h"

#include <cstdio>
#include <io.h>

namespace {
[[maybe_unused]] const char kRevision[] =
    "%Z% TrafficLog QX5002:21 TrafficLogTerminal_win32.cpp $Revision: 1.1 $";
}

bool StandardErrorIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}
