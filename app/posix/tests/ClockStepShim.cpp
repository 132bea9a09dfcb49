// Loaded with LD_PRELOAD into the real program: the calendar (time and clock_gettime of
// CLOCK_REALTIME) steps by CORVANE_CALENDAR_STEP seconds once
// CORVANE_CALENDAR_STEP_AFTER seconds have passed on the monotonic clock, as an operator or a
// time service setting the clock would make it. The monotonic clock is left alone.

#include <cstdlib>
#include <ctime>
#include <dlfcn.h>

namespace {
using ClockGetTime = int (*)(clockid_t, timespec*);

ClockGetTime RealClockGetTime() {
    static const auto real = reinterpret_cast<ClockGetTime>(dlsym(RTLD_NEXT, "clock_gettime"));
    return real;
}

long EnvironmentSeconds(const char* name) {
    const char* text = std::getenv(name);
    return text != nullptr ? std::strtol(text, nullptr, 10) : 0;
}

// The step once it is due, 0 before.
time_t CalendarStep() {
    static timespec start = {};
    static bool started = false;
    timespec now = {};
    RealClockGetTime()(CLOCK_MONOTONIC, &now);
    if (!started) {
        start = now;
        started = true;
    }
    const bool due = now.tv_sec - start.tv_sec >= EnvironmentSeconds("CORVANE_CALENDAR_STEP_AFTER");
    return due ? static_cast<time_t>(EnvironmentSeconds("CORVANE_CALENDAR_STEP")) : 0;
}

} // namespace

extern "C" int clock_gettime(clockid_t clock, timespec* now) noexcept {
    const int result = RealClockGetTime()(clock, now);
    if (result == 0 && clock == CLOCK_REALTIME) {
        now->tv_sec += CalendarStep();
    }
    return result;
}

extern "C" time_t time(time_t* now) noexcept {
    timespec calendar = {};
    clock_gettime(CLOCK_REALTIME, &calendar);
    if (now != nullptr) {
        *now = calendar.tv_sec;
    }
    return calendar.tv_sec;
}
