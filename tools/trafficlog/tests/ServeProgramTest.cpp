// trafficlog serve as its users run it: a process of its own, its clients real connections,
// ended by SIGTERM as a service manager or Ctrl-C ends it.
#include "platform/TcpClient.h"
#include "platform/TcpServer.h"
#include "tests/support/ProgramRun.h"
#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Only keeps a server that does not stop from hanging the test run.
constexpr int kEndTimeoutMs = 10000;

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

std::uint16_t FreePort() {
    TcpServer probe;
    return probe.Listen(0) ? probe.Port() : 0;
}

// `trafficlog serve --speed 5 --loop LOG` on `port`, its summary into `out`.
std::unique_ptr<ProgramRun> StartServe(std::uint16_t port, const char* log, const TempFile& out) {
    ProgramLaunch launch = LaunchOf(TRAFFICLOG_PROGRAM, {"serve", "--sbs", std::to_string(port),
                                                         "--speed", "5", "--loop", log});
    launch.outputFile = out.Path();
    launch.errorFile = "/dev/null";
    return std::make_unique<ProgramRun>(launch);
}

bool ConnectWhenReady(TcpClient& client, std::uint16_t port) {
    for (int tries = 0; tries < 100; ++tries) {
        if (client.Connect("127.0.0.1", port, 200)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Ends the server as a service manager does: the exit status it ended with, or -1 when a
// signal ended it (or it did not end).
int Terminate(ProgramRun& server) {
    server.Signal(SIGTERM);
    server.WaitForEnd(kEndTimeoutMs);
    return server.ExitCode();
}

class ServeProgram : public testing::Test {
protected:
    // The ten-second log served on a free port; false when the server cannot be started.
    bool StartServing() {
        log.Write(TenSecondLog());
        port = FreePort();
        server = port != 0 ? StartServe(port, log.Path(), out) : nullptr;
        return server != nullptr && server->Started();
    }

    TempFile log{".sbs"};
    TempFile out{".out"};
    std::uint16_t port = 0;
    std::unique_ptr<ProgramRun> server;
};

TEST_F(ServeProgram, ServesClientsThatComeAndGoAndEndsCleanlyOnSigterm) {
    ASSERT_TRUE(StartServing());

    TcpClient staying, leaving;
    ASSERT_TRUE(ConnectWhenReady(staying, port));
    ASSERT_TRUE(leaving.Connect("127.0.0.1", port, 2000));
    EXPECT_GE(ReceiveLines(leaving, 5), 5);
    leaving.Close();
    // More than the log's hundred messages: the feed goes round the loop, and the client that
    // went disturbs nothing.
    EXPECT_GE(ReceiveLines(staying, 150), 150);

    EXPECT_EQ(Terminate(*server), 0);
    EXPECT_NE(out.Read().find("messages served to 2 clients; 0 bad lines skipped"),
              std::string::npos)
        << out.Read();
}

// A raw connection to the server, for what no well-behaved client does.
int RawConnect(std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Closes with a reset instead of an orderly close.
void Reset(int fd) {
    const linger abort{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    close(fd);
}

// Lines that come on a raw connection within a few seconds, up to `wanted`.
int ReceiveRawLines(int fd, int wanted) {
    int lines = 0;
    char buffer[4096];
    for (int quiet = 0; lines < wanted && quiet < 50;) {
        pollfd wait{fd, POLLIN, 0};
        const ssize_t got =
            poll(&wait, 1, 100) > 0 ? recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) : 0;
        lines += got > 0 ? static_cast<int>(std::count(buffer, buffer + got, '\n')) : 0;
        quiet = got > 0 ? 0 : quiet + 1;
    }
    return lines;
}

// Clients no receiver's port expects: one that talks and never reads, one that closes its side
// at once and only listens (as `nc HOST PORT </dev/null` does), a flood that connects and goes,
// some with a reset. None may hold up the feed of a well-behaved client or end the server.
TEST_F(ServeProgram, HostileClientsNeitherStallNorEndTheServer) {
    ASSERT_TRUE(StartServing());
    TcpClient watching;
    ASSERT_TRUE(ConnectWhenReady(watching, port));

    const int talking = RawConnect(port);
    ASSERT_GE(talking, 0);
    const std::string noise(64 * 1024, 'x');
    for (int sent = 0; sent < 256; ++sent) {
        if (send(talking, noise.data(), noise.size(), MSG_DONTWAIT | MSG_NOSIGNAL) <= 0) {
            break; // the server takes in no more: its buffers are full
        }
    }
    const int halfClosed = RawConnect(port);
    ASSERT_GE(halfClosed, 0);
    ASSERT_EQ(shutdown(halfClosed, SHUT_WR), 0);
    for (int flood = 0; flood < 150; ++flood) {
        const int fd = RawConnect(port);
        if (fd >= 0 && flood % 2 == 0) {
            Reset(fd);
        } else if (fd >= 0) {
            close(fd);
        }
    }

    EXPECT_GE(ReceiveLines(watching, 100), 100);
    EXPECT_GE(ReceiveRawLines(halfClosed, 20), 20);
    // The flood's last connections may hold every place until the next lines find them gone:
    // a client refused then comes again, as `record` does.
    TcpClient late;
    bool served = false;
    for (int tries = 0; tries < 20 && !served; ++tries) {
        served = late.Connect("127.0.0.1", port, 500) && ReceiveLines(late, 20) >= 20;
    }
    EXPECT_TRUE(served);
    close(talking);
    close(halfClosed);
    EXPECT_TRUE(server->Running()) << out.Read();
    EXPECT_EQ(Terminate(*server), 0) << out.Read();
}

// A flood of clients beyond the files the process may hold open: those that cannot be taken
// wait, and the server serves on, to a client that comes once the flood is gone.
TEST_F(ServeProgram, AFloodBeyondTheOpenFileLimitDoesNotEndTheServer) {
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &before), 0);
    rlimit tight = before;
    tight.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    const bool started = StartServing();
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &before), 0);
    ASSERT_TRUE(started);
    TcpClient watching;
    ASSERT_TRUE(ConnectWhenReady(watching, port));

    std::vector<TcpClient> flood(40);
    for (TcpClient& client : flood) {
        client.Connect("127.0.0.1", port, 200);
    }
    EXPECT_GE(ReceiveLines(watching, 50), 50);
    flood.clear();
    EXPECT_TRUE(server->Running()) << out.Read();
    TcpClient late;
    bool served = false;
    for (int tries = 0; tries < 20 && !served; ++tries) {
        served = late.Connect("127.0.0.1", port, 500) && ReceiveLines(late, 10) >= 10;
    }
    EXPECT_TRUE(served);
    EXPECT_EQ(Terminate(*server), 0) << out.Read();
}

// The messages a summary says were served (as many as were due, with or without clients).
long long MessagesServed(const std::string& summary) {
    const std::size_t at = summary.rfind(" messages served");
    const std::size_t start = summary.rfind(' ', at - 1);
    return at == std::string::npos || start == std::string::npos
               ? -1
               : std::stoll(summary.substr(start + 1, at - start - 1));
}

// A log that spans no time (one line) once went round as fast as it could be read: tens of
// thousands of lines a second to one client, a whole core with none. Each pass takes a pause.
TEST_F(ServeProgram, ALoopOfALogThatSpansNoTimeDoesNotSpin) {
    constexpr auto kWatched = std::chrono::milliseconds(2500);
    // A pass a second at most, and the first at once.
    constexpr long long kMostPasses = 4;
    log.Write(TenSecondLog().substr(0, TenSecondLog().find('\n') + 1));
    for (const bool client : {true, false}) {
        SCOPED_TRACE(client ? "one client" : "no client");
        TempFile summary(".out");
        const std::uint16_t free = FreePort();
        ASSERT_NE(free, 0);
        server = StartServe(free, log.Path(), summary);
        ASSERT_TRUE(server->Started());
        TcpClient feed;
        ASSERT_TRUE(ConnectWhenReady(feed, free));
        if (!client) {
            feed.Close();
        }
        int lines = 0;
        char buffer[4096];
        for (const auto end = std::chrono::steady_clock::now() + kWatched;
             std::chrono::steady_clock::now() < end;) {
            std::size_t size = 0;
            if (client && feed.Receive(buffer, sizeof buffer, 100, size) == TcpReceipt::Data) {
                lines += static_cast<int>(std::count(buffer, buffer + size, '\n'));
            } else if (!client) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
        EXPECT_EQ(Terminate(*server), 0) << summary.Read();
        EXPECT_LE(lines, kMostPasses);
        const long long served = MessagesServed(summary.Read());
        EXPECT_GE(served, 1) << summary.Read();
        EXPECT_LE(served, kMostPasses + 1) << summary.Read();
    }
}

// A log read from a pipe whose writer pauses: before anything came, SIGTERM once ended serve with
// "Interrupted system call" and exit code 2; after one message shorter than serve looks at first,
// serve sat in the pipe's read and never ended. Either way a stop ends it with its summary.
TEST_F(ServeProgram, StopsOnSignalWhileThePipeItReadsPauses) {
    struct Case {
        const char* name;
        std::string written;
    };
    const std::string message = TenSecondLog().substr(0, TenSecondLog().find('\n') + 1);
    for (const Case& c : {Case{"nothing yet", ""}, Case{"one message", message}}) {
        SCOPED_TRACE(c.name);
        int ends[2];
        ASSERT_EQ(pipe(ends), 0);
        ASSERT_EQ(write(ends[1], c.written.data(), c.written.size()),
                  static_cast<ssize_t>(c.written.size()));
        const std::uint16_t free = FreePort();
        ASSERT_NE(free, 0);
        ProgramLaunch launch =
            LaunchOf(TRAFFICLOG_PROGRAM, {"serve", "--sbs", std::to_string(free), "-"});
        launch.input = ends[0];
        launch.errorsWithOutput = true;
        ProgramRun serve(launch);
        ASSERT_TRUE(serve.Started());
        ASSERT_TRUE(serve.WaitForOutput("serving", kEndTimeoutMs)) << serve.Account();
        // Well into its read of the pipe.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        serve.Signal(SIGTERM);
        const bool ended = serve.WaitForEnd(kEndTimeoutMs);
        close(ends[1]);
        close(ends[0]);
        if (!ended) {
            serve.Signal(SIGKILL);
            serve.WaitForEnd(kEndTimeoutMs);
        }
        ASSERT_TRUE(ended) << "still in the pipe's read after SIGTERM";
        EXPECT_EQ(serve.ExitCode(), 0) << serve.Account();
        EXPECT_NE(serve.Output().find("-: 0 messages served to 0 clients"), std::string::npos)
            << serve.Account();
        EXPECT_EQ(serve.Output().find("Interrupted"), std::string::npos) << serve.Account();
    }
}

// A log without end that holds nothing but bad lines (a FIFO its writer keeps filling): a stop
// ends the server all the same, though no message ever falls due.
TEST_F(ServeProgram, StopsOnSignalInALogOfNothingButBadLines) {
    const std::string fifo = std::string(log.Path()) + ".fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::uint16_t free = FreePort();
    ASSERT_NE(free, 0);
    server = StartServe(free, fifo.c_str(), out);
    ASSERT_TRUE(server->Started());
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    std::atomic<bool> writing = true;
    std::atomic<long long> written = 0;
    std::thread writer([&] {
        const int fd = open(fifo.c_str(), O_WRONLY);
        const std::string bad = std::string(80, 'x') + "\n";
        while (fd >= 0 && writing && write(fd, bad.data(), bad.size()) > 0) {
            written += static_cast<long long>(bad.size());
        }
        if (fd >= 0) {
            close(fd);
        }
    });
    while (written < (1 << 20)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(kill(server->Pid(), SIGINT), 0);
    const bool ended = server->WaitForEnd(kEndTimeoutMs);
    if (!ended) {
        server->Signal(SIGKILL);
        server->WaitForEnd(kEndTimeoutMs);
    }
    writing = false;
    writer.join();
    std::signal(SIGPIPE, previous);
    unlink(fifo.c_str());
    ASSERT_TRUE(ended) << "still reading bad lines after the stop";
    ASSERT_TRUE(WIFEXITED(server->Status()));
    EXPECT_EQ(server->ExitCode(), 0);
}

} // namespace
