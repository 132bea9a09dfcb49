// The terminal host without a terminal (pipes, as under a service manager): its log, its
// message boxes, the signals that close it and its ticks.

#include "app/posix/TerminalDialogHost.h"
#include "app/posix/tests/ScriptedDialog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// The log without its time stamps; every line must begin with one, an ISO 8601 UTC time.
std::string Unstamped(const std::string& log) {
    std::string text;
    std::size_t start = 0;
    while (start < log.size()) {
        const std::size_t end = log.find('\n', start);
        const std::string line = log.substr(start, end - start);
        bool stamped = line.size() > 21 && line[20] == ' ';
        for (std::size_t i = 0; stamped && i < 20; ++i) {
            const char expected = "0000-00-00T00:00:00Z"[i];
            stamped = expected == '0' ? line[i] >= '0' && line[i] <= '9' : line[i] == expected;
        }
        EXPECT_TRUE(stamped) << line;
        text += (stamped ? line.substr(21) : line) + "\n";
        start = end == std::string::npos ? log.size() : end + 1;
    }
    return text;
}

// Standard input on /dev/null and standard output on a pipe, as under a service manager.
class HostWithoutTerminal : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(pipe(output), 0);
        input = open("/dev/null", O_RDONLY);
        ASSERT_GE(input, 0);
    }
    void TearDown() override {
        close(input);
        close(output[0]);
        close(output[1]);
    }
    // Everything the host wrote so far.
    std::string Written() {
        std::string text;
        char buffer[4096];
        fcntl(output[0], F_SETFL, O_NONBLOCK);
        ssize_t count;
        while ((count = read(output[0], buffer, sizeof buffer)) > 0) {
            text.append(buffer, static_cast<std::size_t>(count));
        }
        return text;
    }

    int input = -1;
    int output[2] = {-1, -1};
};

TEST_F(HostWithoutTerminal, WritesOneLogLinePerChangedText) {
    TerminalDialogHost host(input, output[1], kLayout);
    ASSERT_FALSE(host.DrawsScreen());
    ScriptedDialog dialog(host);
    dialog.onInit = [&] {
        host.SetWindowTitle("Halvery v1");
        host.SetControlText(kStatusId, ""); // unchanged: stays quiet
        host.SetControlText(kStatusId, "Frame 5");
        host.SetControlText(kMessageId, "first\nsecond\n");
        host.SetControlText(kStatusId, "Frame 5");    // unchanged
        host.SetWindowTitle("Halvery v1");            // unchanged
        host.SetControlText(1005, "not a text line"); // a button: nothing to show
        host.SetControlText(kStatusId, "bell\a and \x1b[2J escape\r");
        host.SetWindowTitle("Halvery v1:: header \x1b]0;owned\a\x9b"
                            "2J");
        host.EndDialog(kIdOk);
    };
    EXPECT_EQ(host.RunModal(dialog, 102), kIdOk);
    EXPECT_EQ(Unstamped(Written()), "Title: Halvery v1\n"
                                    "Status: Frame 5\n"
                                    "Message: first / second\n"
                                    "Status: bell? and ?[2J escape\n"
                                    "Title: Halvery v1:: header ?]0;owned??2J\n");
}

// The end of a simulation counts down on every frame: the log shows where the count started
// and where it ended, not every step; a count that stops shows where it stopped.
TEST_F(HostWithoutTerminal, CountOnEveryTickWritesItsFirstAndLastText) {
    TerminalDialogHost host(input, output[1], kLayout);
    ScriptedDialog dialog(host);
    dialog.onInit = [&] { ASSERT_TRUE(host.StartTimer(kTimerId, 1)); };
    dialog.onTick = [&](int tick) {
        if (tick == 1) {
            host.SetControlText(kStatusId, "Frame 5");
        } else if (tick >= 3 && tick <= 12) {
            host.SetControlText(kStatusId, ("Ending " + std::to_string(12 - tick)).c_str());
        } else if (tick >= 15 && tick <= 64) {
            host.SetControlText(kStatusId,
                                ("Simlation Ending " + std::to_string(64 - tick)).c_str());
            host.SetControlText(kMessageId, tick == 40 ? "alert" : "");
        } else if (tick == 65) {
            host.EndDialog(0);
        }
    };
    host.RunModal(dialog, 102);
    EXPECT_EQ(Unstamped(Written()), "Status: Frame 5\n"
                                    "Status: Ending 9\n"
                                    "Status: Ending 0\n"
                                    "Status: Simlation Ending 49\n"
                                    "Message: alert\n"
                                    "Message: \n"
                                    "Status: Simlation Ending 0\n");
}

TEST_F(HostWithoutTerminal, MessageBoxIsWrittenAndConfirmedAtOnce) {
    TerminalDialogHost host(input, output[1], kLayout);
    ScriptedDialog dialog(host);
    dialog.onInit = [&] {
        host.ShowMessageBox("TCAS:: No Aircraft Data File", "line one\nline two");
        dialog.events.push_back("box closed");
        host.RunAboutBox();
        host.EndDialog(kIdOk);
    };
    host.RunModal(dialog, 102);
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "box closed", "destroy"}));
    EXPECT_EQ(Unstamped(Written()),
              "Message box: \"TCAS:: No Aircraft Data File\": line one / line two\n"
              "Message box: \"About Corvane\": Corvane Version 1.0 / Notice\n");
}

class HostClosedBySignal : public HostWithoutTerminal, public ::testing::WithParamInterface<int> {};

TEST_P(HostClosedBySignal, TakesTheUsersClosePath) {
    TerminalDialogHost host(input, output[1], kLayout);
    ScriptedDialog dialog(host);
    dialog.onInit = [&] { ASSERT_TRUE(host.StartTimer(kTimerId, 1)); };
    dialog.onTick = [&](int tick) {
        dialog.events.push_back("tick");
        if (tick == 2) {
            raise(GetParam());
        }
    };
    EXPECT_EQ(host.RunModal(dialog, 102), kIdOk);
    EXPECT_EQ(dialog.events,
              (std::vector<std::string>{"init", "tick", "tick", "command 61536", "ok", "destroy"}));
}

INSTANTIATE_TEST_SUITE_P(Signals, HostClosedBySignal, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string("SIG") + sigabbrev_np(info.param);
                         });

// A log pipe that nobody reads fills up, and the next log line waits for room. A signal ends
// the wait and closes the window; the output left is given up. (Before, the write was simply
// restarted after the signal and the program waited for ever.)
TEST_F(HostWithoutTerminal, SignalClosesTheWindowWhileTheLogWaitsForRoom) {
    alarm(20); // a write that still blocked would hang the test: end the process instead
    ASSERT_GE(fcntl(output[1], F_SETPIPE_SZ, 4096), 0);
    fcntl(output[1], F_SETFL, O_NONBLOCK);
    const std::string filler(4096, 'x');
    while (write(output[1], filler.data(), filler.size()) > 0) {
    }
    fcntl(output[1], F_SETFL, 0);

    TerminalDialogHost host(input, output[1], kLayout);
    ScriptedDialog dialog(host);
    dialog.onInit = [&] {
        std::thread([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            kill(getpid(), SIGTERM);
        }).detach();
        host.SetWindowTitle("Halvery v1"); // waits for room until the signal
        dialog.events.push_back("title set");
    };
    EXPECT_EQ(host.RunModal(dialog, 102), kIdOk);
    alarm(0);
    EXPECT_EQ(dialog.events,
              (std::vector<std::string>{"init", "title set", "command 61536", "ok", "destroy"}));
}

TEST_F(HostWithoutTerminal, SignalsGoBackToTheirFormerHandlingWithTheHost) {
    struct sigaction before = {};
    sigaction(SIGTERM, nullptr, &before);
    {
        TerminalDialogHost host(input, output[1], kLayout);
        struct sigaction during = {};
        sigaction(SIGTERM, nullptr, &during);
        EXPECT_NE(during.sa_handler, before.sa_handler);
    }
    struct sigaction after = {};
    sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

TEST_F(HostWithoutTerminal, CloseWithoutEndingTheDialogCancelsIt) {
    TerminalDialogHost host(input, output[1], kLayout);
    ScriptedDialog dialog(host);
    dialog.onInit = [&] { host.DefaultSysCommand(kScClose, 0); };
    EXPECT_EQ(host.RunModal(dialog, 102), kIdCancel);
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "cancel", "destroy"}));
}

TEST_F(HostWithoutTerminal, TicksStopWithTheEndOfTheDialog) {
    TerminalDialogHost host(input, output[1], kLayout);
    ScriptedDialog dialog(host);
    dialog.onInit = [&] {
        EXPECT_TRUE(host.StartTimer(kTimerId, 1));
        EXPECT_FALSE(host.StartTimer(kTimerId + 1, 1)); // one timer at a time
    };
    dialog.onTick = [&](int tick) {
        if (tick == 3) {
            host.EndDialog(0);
            dialog.events.push_back("ended");
        }
    };
    EXPECT_EQ(host.RunModal(dialog, 102), 0);
    EXPECT_EQ(dialog.ticks, 3);
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "ended", "destroy"}));
}

TEST_F(HostWithoutTerminal, StringResourcesComeFromTheLayout) {
    TerminalDialogHost host(input, output[1], kLayout);
    char text[32] = "x";
    EXPECT_EQ(host.LoadStringResource(101, text, sizeof text), 17);
    EXPECT_STREQ(text, "&About Corvane...");
    EXPECT_EQ(host.LoadStringResource(101, text, 5), 4);
    EXPECT_STREQ(text, "&Abo");
    EXPECT_EQ(host.LoadStringResource(999, text, sizeof text), 0);
    EXPECT_STREQ(text, "");
}

} // namespace
