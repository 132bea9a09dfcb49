// POSIX side of trafficlog's process control.
#include "platform/ProcessControl.h"

#include <csignal>

namespace {
[[maybe_unused]] const char kRevision[] =
    "%Z% TrafficLog QX5002:84 ProcessControl_posix.cpp $Revision: 1.1 $";

volatile std::sig_atomic_t stopRequested = 0;

void OnStopSignal(int) {
    stopRequested = 1;
}
} // namespace

void UseBinaryStandardInput() {}

void CatchStopSignals() {
    // No SA_RESTART: a blocking wait returns early, so that the stop is seen at once.
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool StopRequested() {
    return stopRequested != 0;
}
