// Progress is redrawn in place only where standard error is a terminal: a real pseudo-terminal,
// then a pipe, put in the place of this process's standard error.
#include "platform/ProcessTerminal.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {
TEST(StandardErrorIsTerminal, TellsATerminalFromAPipe) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        GTEST_SKIP() << "no pseudo-terminals here";
    }
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);

    const int saved = dup(STDERR_FILENO);
    dup2(terminal, STDERR_FILENO);
    const bool onTerminal = StandardErrorIsTerminal();
    dup2(pipeFds[1], STDERR_FILENO);
    const bool onPipe = StandardErrorIsTerminal();
    dup2(saved, STDERR_FILENO);

    for (int fd : {saved, terminal, master, pipeFds[0], pipeFds[1]}) {
        close(fd);
    }
    EXPECT_TRUE(onTerminal);
    EXPECT_FALSE(onPipe);
}
} // namespace
