// The system's clocks: the millisecond readings count from the same moments as the second
// readings (the calendar from 1970, the monotonic clock from its own start), so that a time
// taken in milliseconds and one taken in seconds can be compared; the monotonic clock never
// goes back.
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(SystemClock, MillisecondsCountFromWhereTheSecondsCount) {
    Clock& clock = SystemClock();
    std::int64_t lastMonotonic = clock.MonotonicMilliseconds();
    for (int reading = 0; reading < 1000; ++reading) {
        const std::int64_t calendarSeconds = clock.NowSeconds();
        const std::int64_t calendarMilliseconds = clock.NowMilliseconds();
        // The calendar's seconds may come from a coarser source, a tick behind.
        EXPECT_NEAR(static_cast<double>(calendarMilliseconds) / 1000.0,
                    static_cast<double>(calendarSeconds), 1.5);
        const std::int64_t monotonicSeconds = clock.MonotonicSeconds();
        const std::int64_t monotonic = clock.MonotonicMilliseconds();
        EXPECT_NEAR(static_cast<double>(monotonic) / 1000.0, static_cast<double>(monotonicSeconds),
                    1.5);
        EXPECT_GE(monotonic, lastMonotonic);
        lastMonotonic = monotonic;
    }
}

// A clock that knows only whole seconds gives them in milliseconds.
TEST(Clock, OneOfWholeSecondsGivesThemInMilliseconds) {
    class Seconds final : public Clock {
    public:
        std::int64_t NowSeconds() override { return 1'700'000'123; }
        std::int64_t MonotonicSeconds() override { return 42; }
        void SleepMilliseconds(std::int32_t) override {}
    } clock;
    EXPECT_EQ(clock.NowMilliseconds(), 1'700'000'123'000);
    EXPECT_EQ(clock.MonotonicMilliseconds(), 42'000);
}

} // namespace
