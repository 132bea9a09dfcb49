// POSIX side of trafficlog's process control.
#include "platform/ProcessControl.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <unistd.h>

namespace {
[[maybe_unused]] const char kRevision[] =
    "%Z% TrafficLog QX5002:84 ProcessControl_posix.cpp $Revision: 1.2 $";

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

// A stop that comes between the look at the flag and the wait is seen when the wait times out.
long ReadAsItComes(std::FILE* file, void* buffer, std::size_t size) {
    const int fd = fileno(file);
    for (;;) {
        if (StopRequested()) {
            errno = EINTR;
            return -1;
        }
        pollfd watched = {fd, POLLIN, 0};
        const int ready = poll(&watched, 1, kStopCheckMilliseconds);
        if (ready < 0 && errno != EINTR) {
            return -1;
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t got = read(fd, buffer, size);
        if (got >= 0 || errno != EINTR) {
            return static_cast<long>(got);
        }
    }
}
