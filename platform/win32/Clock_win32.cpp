#include "platform/Clock.h"

#include <windows.h>

#include <ctime>

[[maybe_unused]] static const char kClockWin32Revision[] =
    "%Z% Corvane QX4002:04 Clock_win32.cpp $Revision: 1.2 $";

namespace {

class Win32Clock final : public Clock {
public:
    // The C library's time is 64-bit with mingw-w64 and MSVC alike.
    std::int64_t NowSeconds() override { return static_cast<std::int64_t>(std::time(nullptr)); }

    // Milliseconds since the system started, in 64 bits: it neither wraps after 49 days nor
    // follows a change of the calendar.
    std::int64_t MonotonicSeconds() override {
        return static_cast<std::int64_t>(GetTickCount64() / 1000);
    }

    // FILETIME counts 100 ns steps since 1601-01-01, 11 644 473 600 s before 1970.
    std::int64_t NowMilliseconds() override {
        FILETIME now = {};
        GetSystemTimeAsFileTime(&now);
        const std::uint64_t steps =
            (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
        return static_cast<std::int64_t>(steps / 10000) - 11644473600000LL;
    }
    std::int64_t MonotonicMilliseconds() override {
        return static_cast<std::int64_t>(GetTickCount64());
    }

    void SleepMilliseconds(std::int32_t milliseconds) override {
        if (milliseconds > 0) {
            Sleep(static_cast<DWORD>(milliseconds));
        }
    }
};

} // namespace

Clock& SystemClock() {
    static Win32Clock clock;
    return clock;
}
