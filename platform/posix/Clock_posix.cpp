#include "platform/Clock.h"

#include <cerrno>
#include <ctime>

[[maybe_unused]] static const char kClockPosixRevision[] =
    "%Z% Corvane QX4002:03 Clock_posix.cpp $Revision: 1.2 $";

namespace {

std::int64_t Milliseconds(clockid_t id) {
    timespec now = {};
    clock_gettime(id, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

class PosixClock final : public Clock {
public:
    std::int64_t NowSeconds() override { return static_cast<std::int64_t>(std::time(nullptr)); }

    // CLOCK_MONOTONIC is in every POSIX system this builds for; it cannot fail with a valid
    // clock id and pointer.
    std::int64_t MonotonicSeconds() override {
        timespec now = {};
        clock_gettime(CLOCK_MONOTONIC, &now);
        return static_cast<std::int64_t>(now.tv_sec);
    }

    std::int64_t NowMilliseconds() override { return Milliseconds(CLOCK_REALTIME); }
    std::int64_t MonotonicMilliseconds() override { return Milliseconds(CLOCK_MONOTONIC); }

    void SleepMilliseconds(std::int32_t milliseconds) override {
        if (milliseconds < 1) {
            return;
        }
        timespec remaining{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
        // A signal cuts the sleep short; the rest of it is slept all the same.
        while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
        }
    }
};

} // namespace

Clock& SystemClock() {
    static PosixClock clock;
    return clock;
}
