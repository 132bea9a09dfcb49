// The terminal host's timing: deadlines that stay on the grid and the timeout handed to poll.

#include "app/posix/TerminalDialogHost.h"
#include "tests/support/CaseNames.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>

namespace {

struct DeadlineCase {
    std::int64_t deadline;
    std::int64_t now;
    std::int64_t expected;
};

void PrintTo(const DeadlineCase& c, std::ostream* out) {
    *out << "deadline " << c.deadline << " now " << c.now;
}

class TimerDeadlines : public ::testing::TestWithParam<DeadlineCase> {};

TEST_P(TimerDeadlines, StayOnTheGridWithoutCatchingUp) {
    const DeadlineCase& c = GetParam();
    EXPECT_EQ(NextTimerDeadline(c.deadline, c.now, 100), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Period100, TimerDeadlines,
                         ::testing::Values(DeadlineCase{1000, 900, 1000},  // not yet due
                                           DeadlineCase{1000, 1000, 1100}, // due now
                                           DeadlineCase{1000, 1099, 1100}, // a slow frame
                                           DeadlineCase{1000, 1100, 1200},
                                           DeadlineCase{1000, 1350, 1400}),
                         NamedByPrint()); // ticks skipped

TEST(PollTimeout, RoundsUpAndStaysWithinPollRange) {
    EXPECT_EQ(PollTimeoutMilliseconds(-5), 0);
    EXPECT_EQ(PollTimeoutMilliseconds(0), 0);
    EXPECT_EQ(PollTimeoutMilliseconds(1), 1);
    EXPECT_EQ(PollTimeoutMilliseconds(100'000'000), 100);
    EXPECT_EQ(PollTimeoutMilliseconds(100'000'001), 101);
    // The longest period a timer takes (2^32 - 1 ms) must not wrap into "wait for ever".
    const std::int64_t longestPeriodNs = std::int64_t{0xFFFFFFFF} * 1'000'000;
    EXPECT_EQ(PollTimeoutMilliseconds(longestPeriodNs), std::numeric_limits<int>::max());
}

} // namespace
