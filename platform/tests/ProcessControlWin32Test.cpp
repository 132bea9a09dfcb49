// Ctrl+C and a termination request on Windows, each twice: the C runtime puts the default
// handler back before it calls ours, so a second signal would end the process unless the
// handler takes itself up again.
#include "platform/ProcessControl.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {
TEST(StopSignals, SetTheFlagAndLeaveTheProcessRunning) {
    CatchStopSignals();
    EXPECT_FALSE(StopRequested());
    for (int signal : {SIGINT, SIGTERM}) {
        ASSERT_EQ(std::raise(signal), 0);
        ASSERT_EQ(std::raise(signal), 0);
    }
    EXPECT_TRUE(StopRequested());
}
} // namespace
