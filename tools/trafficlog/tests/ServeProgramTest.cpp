// trafficlog serve as its users run it: a process of its own, its clients real connections,
// ended by SIGTERM as a service manager or Ctrl-C ends it.
#include "platform/TcpClient.h"
#include "platform/TcpServer.h"
#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// A message a tenth of a second for ten seconds of the log.
std::string TenSecondLog() {
    std::string text;
    for (int tenth = 0; tenth < 100; ++tenth) {
        char line[160];
        std::snprintf(line, sizeof line,
                      "MSG,3,1,1,4CA2B5,1,2024/06/01,08:00:%02d.%d00,2024/06/01,08:00:%02d.%d00,,"
                      "35000,,,51.%04d,-0.40000,,,0,0,0,0\n",
                      tenth / 10, tenth % 10, tenth / 10, tenth % 10, tenth);
        text += line;
    }
    return text;
}

// Reads until `wanted` whole lines have come, or the feed has been quiet for a while; the
// number read.
int ReceiveLines(TcpClient& client, int wanted) {
    int lines = 0;
    char buffer[4096];
    for (int quiet = 0; lines < wanted && quiet < 50;) {
        std::size_t size = 0;
        if (client.Receive(buffer, sizeof buffer, 100, size) == TcpReceipt::Data) {
            lines += static_cast<int>(std::count(buffer, buffer + size, '\n'));
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return lines;
}

TEST(ServeProgram, ServesClientsThatComeAndGoAndEndsCleanlyOnSigterm) {
    TempFile log(".sbs");
    log.Write(TenSecondLog());
    TempFile out(".out");
    std::uint16_t port = 0;
    {
        TcpServer probe;
        ASSERT_TRUE(probe.Listen(0));
        port = probe.Port();
    }
    const std::string portText = std::to_string(port);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.Path(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {TRAFFICLOG_PROGRAM, "serve",    "--sbs", portText.c_str(), "--speed", "5",
                          "--loop",           log.Path(), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(
        posix_spawn(&pid, TRAFFICLOG_PROGRAM, &actions, nullptr, const_cast<char**>(argv), environ),
        0);
    posix_spawn_file_actions_destroy(&actions);

    TcpClient staying, leaving;
    bool connected = false;
    for (int tries = 0; tries < 100 && !connected; ++tries) {
        connected = staying.Connect("127.0.0.1", port, 200);
        if (!connected) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ASSERT_TRUE(connected);
    ASSERT_TRUE(leaving.Connect("127.0.0.1", port, 2000));
    EXPECT_GE(ReceiveLines(leaving, 5), 5);
    leaving.Close();
    // More than the log's hundred messages: the feed goes round the loop, and the client that
    // went disturbs nothing.
    EXPECT_GE(ReceiveLines(staying, 150), 150);

    ASSERT_EQ(kill(pid, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(out.Read().find("messages served to 2 clients; 0 bad lines skipped"),
              std::string::npos)
        << out.Read();
}

} // namespace
