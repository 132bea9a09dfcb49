// A stop signal from another process, as `kill` or a service manager sends it, to a tool that
// waits in a blocking read: the read returns at once and the stop flag is set.
#include "platform/ProcessControl.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// How the child ended its wait, as its exit code.
constexpr int kStopped = 0;
constexpr int kFlagBeforeSignal = 1;
constexpr int kReadNotEnded = 2; // the read went on after the signal (or a byte ended it)
constexpr int kFlagNotSet = 3;
constexpr int kNoReadySignal = 4;

// Only async-signal-safe calls: the child of a test process.
int WaitForStop(int readyFd, int waitFd) {
    CatchStopSignals();
    if (StopRequested()) {
        return kFlagBeforeSignal;
    }
    char byte = 'r';
    if (write(readyFd, &byte, 1) != 1) {
        return kNoReadySignal;
    }
    if (read(waitFd, &byte, 1) != -1 || errno != EINTR) {
        return kReadNotEnded;
    }
    return StopRequested() ? kStopped : kFlagNotSet;
}

class StopSignalFromAnotherProcess : public testing::TestWithParam<int> {};

TEST_P(StopSignalFromAnotherProcess, EndsABlockingReadAndSetsTheFlag) {
    int ready[2];
    int wait[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(wait), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        close(wait[1]);
        _exit(WaitForStop(ready[1], wait[0]));
    }
    close(ready[1]);
    close(wait[0]);
    char byte = 0;
    const bool childReady = read(ready[0], &byte, 1) == 1;
    // The child may not have entered its read when a signal comes: the signal comes again
    // until the child ends. One whose read goes on regardless is let go by a byte at last.
    int status = 0;
    pid_t ended = 0;
    for (int round = 0; childReady && ended == 0 && round < 500; ++round) {
        kill(child, GetParam());
        usleep(10000);
        ended = waitpid(child, &status, WNOHANG);
    }
    if (ended == 0) {
        EXPECT_EQ(write(wait[1], "x", 1), 1);
        ended = waitpid(child, &status, 0);
    }
    close(ready[0]);
    close(wait[1]);
    ASSERT_EQ(ended, child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), kStopped);
}

// A reader of a pipe whose writer wrote a little and paused: the bytes come at once, not once the
// buffer is full, and a stop sent by another process ends the wait for more. (Child exit codes
// as above.)
int ReadUntilStopped(int readyFd, int pipeFd) {
    CatchStopSignals();
    std::FILE* pipe = fdopen(pipeFd, "rb");
    char bytes[4096];
    if (pipe == nullptr || ReadAsItComes(pipe, bytes, sizeof bytes) != 5) {
        return kReadNotEnded;
    }
    char byte = 'r';
    if (write(readyFd, &byte, 1) != 1) {
        return kNoReadySignal;
    }
    if (ReadAsItComes(pipe, bytes, sizeof bytes) != -1 || errno != EINTR) {
        return kReadNotEnded;
    }
    return StopRequested() ? kStopped : kFlagNotSet;
}

TEST(ReadAsItComes, TakesWhatAPipeHoldsAndEndsItsWaitOnAStop) {
    int ready[2];
    int data[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(data), 0);
    ASSERT_EQ(write(data[1], "12345", 5), 5);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        close(data[1]);
        _exit(ReadUntilStopped(ready[1], data[0]));
    }
    close(ready[1]);
    close(data[0]);
    char byte = 0;
    EXPECT_EQ(read(ready[0], &byte, 1), 1);
    // One signal, which may come before the child waits: it must be seen all the same.
    kill(child, SIGTERM);
    int status = 0;
    pid_t ended = 0;
    for (int round = 0; ended == 0 && round < 1000; ++round) {
        usleep(10000);
        ended = waitpid(child, &status, WNOHANG);
    }
    if (ended == 0) {
        kill(child, SIGKILL);
        ended = waitpid(child, &status, 0);
    }
    close(ready[0]);
    close(data[1]);
    ASSERT_EQ(ended, child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), kStopped);
}

// The end of a pipe is its writer gone, after the last bytes.
TEST(ReadAsItComes, EndsWhereTheWriterClosed) {
    int data[2];
    ASSERT_EQ(pipe(data), 0);
    ASSERT_EQ(write(data[1], "abc", 3), 3);
    close(data[1]);
    std::FILE* pipe = fdopen(data[0], "rb");
    ASSERT_NE(pipe, nullptr);
    char bytes[16];
    EXPECT_EQ(ReadAsItComes(pipe, bytes, sizeof bytes), 3);
    EXPECT_EQ(std::string(bytes, 3), "abc");
    EXPECT_EQ(ReadAsItComes(pipe, bytes, sizeof bytes), 0);
    std::fclose(pipe);
}

INSTANTIATE_TEST_SUITE_P(StopSignals, StopSignalFromAnotherProcess,
                         testing::Values(SIGINT, SIGTERM),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGINT ? "Interrupt" : "Terminate");
                         });
} // namespace
