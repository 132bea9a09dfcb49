// Windows side of trafficlog's process control.
#include "platform/ProcessControl.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace {
[[maybe_unused]] const char kRevision[] =
    "%Z% TrafficLog QX5002:85 ProcessControl_win32.cpp $Revision: 1.1 $";

volatile std::sig_atomic_t stopRequested = 0;

void OnStopSignal(int signal) {
    stopRequested = 1;
    // The C runtime resets the handler before calling it.
    std::signal(signal, OnStopSignal);
}
} // namespace

void UseBinaryStandardInput() {
    _setmode(_fileno(stdin), _O_BINARY);
}

void CatchStopSignals() {
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
}

bool StopRequested() {
    return stopRequested != 0;
}
