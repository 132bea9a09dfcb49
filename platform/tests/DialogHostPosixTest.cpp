// The terminal host driven by a scripted dialog: without a terminal (pipes), and on a
// pseudo-terminal as a user would have it.

#include "platform/posix/TerminalDialogHost.h"
#include "tests/support/CaseNames.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <limits>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kStatusId = 1004;
constexpr int kMessageId = 1003;
constexpr std::uint32_t kAboutCommand = 0x0010;
constexpr std::uintptr_t kTimerId = 0x6DFA5A;

constexpr TerminalLine kLines[] = {{kStatusId, "Status", true}, {kMessageId, "Message", true}};
constexpr TerminalString kStrings[] = {{101, "&About Corvane..."}};
constexpr const char* kAboutLines[] = {"Corvane Version 1.0", "Notice"};
constexpr TerminalDialogLayout kLayout = {"Frame", kLines, kStrings, "About Corvane", kAboutLines};

// A dialog that behaves as the main dialog does towards its host and records what it is asked.
class ScriptedDialog : public HostedDialog {
public:
    explicit ScriptedDialog(DialogHost& host) : host(host) {}

    std::function<void()> onInit = [] {};
    std::function<void(int tick)> onTick = [](int) {};
    std::vector<std::string> events;
    int ticks = 0;

    bool OnInitDialog() override {
        events.push_back("init");
        onInit();
        return true;
    }
    void OnSysCommand(std::uint32_t command, std::int64_t parameter) override {
        events.push_back("command " + std::to_string(command));
        if ((command & 0xFFF0) == kAboutCommand) {
            host.RunAboutBox();
            events.push_back("about closed");
            return;
        }
        if (command == kScClose) {
            OnOK();
        }
        host.DefaultSysCommand(command, parameter);
    }
    void OnPaint() override {
        if (!host.IsMinimised()) {
            host.DefaultPaint();
            return;
        }
        const HostSize client = host.ClientSize();
        const HostSize icon = host.SystemIconSize();
        host.PaintIcon(1, (client.width - icon.width + 1) / 2,
                       (client.height - icon.height + 1) / 2);
    }
    IconHandle OnQueryDragIcon() override { return 1; }
    void OnTimer(std::uintptr_t timerId) override {
        EXPECT_EQ(timerId, kTimerId);
        onTick(++ticks);
    }
    void OnOK() override {
        events.push_back("ok");
        host.EndDialog(kIdOk);
    }
    void OnCancel() override {
        events.push_back("cancel");
        host.EndDialog(kIdCancel);
    }
    void OnStart() override {}
    void OnRecord() override {}
    void OnDestroy() override { events.push_back("destroy"); }

private:
    DialogHost& host;
};

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

// A pseudo-terminal on both standard input and output: the full-screen window with keys.
class HostOnTerminal : public ::testing::Test {
protected:
    void SetUp() override {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master, 0);
        ASSERT_EQ(grantpt(master), 0);
        ASSERT_EQ(unlockpt(master), 0);
        terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
        ASSERT_GE(terminal, 0);
        fcntl(master, F_SETFL, O_NONBLOCK);
    }
    void TearDown() override {
        close(terminal);
        close(master);
    }
    // What the host drew since the last call (it must be read, or the terminal fills up).
    std::string Drawn() {
        char buffer[4096];
        ssize_t count;
        while ((count = read(master, buffer, sizeof buffer)) > 0) {
            drawn.append(buffer, static_cast<std::size_t>(count));
        }
        return drawn;
    }
    void Press(const char* keys) { ASSERT_GT(write(master, keys, std::strlen(keys)), 0); }

    int master = -1;
    int terminal = -1;
    std::string drawn;
};

TEST_F(HostOnTerminal, KeysReachTheWindowMenu) {
    TerminalDialogHost host(terminal, terminal, kLayout);
    ASSERT_TRUE(host.DrawsScreen());
    ScriptedDialog dialog(host);
    const char* script[] = {"a", "\r", "m", "r", "q"};
    dialog.onInit = [&] {
        host.AppendSystemMenuItem(kAboutCommand, "&About Corvane...");
        host.SetWindowTitle("Halvery v1");
        host.SetControlText(kStatusId, "Opening data file");
        ASSERT_TRUE(host.StartTimer(kTimerId, 2));
    };
    std::size_t pressed = 0;
    dialog.onTick = [&](int) {
        Drawn();
        // The next key once the last one has shown its effect.
        if (pressed < std::size(script) && dialog.events.back().rfind("key ", 0) != 0) {
            Press(script[pressed]);
            dialog.events.push_back(std::string("key ") + script[pressed++]);
        }
    };
    EXPECT_EQ(host.RunModal(dialog, 102), kIdOk);
    EXPECT_EQ(dialog.events,
              (std::vector<std::string>{"init", "key a", "command 16", "key \r", "about closed",
                                        "key m", "command 61472", "key r", "command 61728", "key q",
                                        "command 61536", "ok", "destroy"}));
    const std::string screen = Drawn();
    EXPECT_NE(screen.find("Halvery v1"), std::string::npos);
    EXPECT_NE(screen.find("| Opening data file"), std::string::npos);
    EXPECT_NE(screen.find("+- About Corvane -"), std::string::npos);
    EXPECT_NE(screen.find("r Restore   q Close"), std::string::npos); // the minimised window
    EXPECT_NE(screen.find("a About Corvane..."), std::string::npos);
    EXPECT_NE(screen.find("\x1b[?1049l"), std::string::npos); // the screen given back
}

TEST_F(HostOnTerminal, KeysTypedAheadGoToTheBoxTheyOpened) {
    TerminalDialogHost host(terminal, terminal, kLayout);
    ScriptedDialog dialog(host);
    dialog.onInit = [&] {
        host.AppendSystemMenuItem(kAboutCommand, "&About Corvane...");
        Press("a\rq");
    };
    EXPECT_EQ(host.RunModal(dialog, 102), kIdOk);
    EXPECT_EQ(dialog.events, (std::vector<std::string>{"init", "command 16", "about closed",
                                                       "command 61536", "ok", "destroy"}));
}

TEST_F(HostOnTerminal, MessageBoxWaitsForEnterWhileTicksArrive) {
    TerminalDialogHost host(terminal, terminal, kLayout);
    ScriptedDialog dialog(host);
    int ticksInBox = 0;
    bool boxOpen = false;
    dialog.onInit = [&] {
        ASSERT_TRUE(host.StartTimer(kTimerId, 2));
        boxOpen = true;
        host.ShowMessageBox("Caption", "Text");
        boxOpen = false;
        host.EndDialog(kIdOk);
    };
    dialog.onTick = [&](int) {
        Drawn();
        if (boxOpen && ++ticksInBox == 5) {
            Press("x"); // not Enter: the box stays
        } else if (ticksInBox == 10) {
            Press("\r");
        }
    };
    host.RunModal(dialog, 102);
    EXPECT_GE(ticksInBox, 10);
    EXPECT_NE(Drawn().find("+- Caption -"), std::string::npos);
}

TEST_F(HostOnTerminal, CtrlCClosesTheWindowBehindAnOpenBox) {
    TerminalDialogHost host(terminal, terminal, kLayout);
    ScriptedDialog dialog(host);
    dialog.onInit = [&] {
        ASSERT_TRUE(host.StartTimer(kTimerId, 2));
        host.ShowMessageBox("Caption", "Text");
        dialog.events.push_back("box closed");
    };
    dialog.onTick = [&](int tick) {
        Drawn();
        if (tick == 3) {
            Press("\x03");
        }
    };
    EXPECT_EQ(host.RunModal(dialog, 102), kIdOk);
    EXPECT_EQ(dialog.events,
              (std::vector<std::string>{"init", "box closed", "command 61536", "ok", "destroy"}));
}

TEST_F(HostOnTerminal, KeyboardModesComeBackAfterTheWindow) {
    termios before = {};
    ASSERT_EQ(tcgetattr(terminal, &before), 0);
    {
        TerminalDialogHost host(terminal, terminal, kLayout);
        ScriptedDialog dialog(host);
        dialog.onInit = [&] {
            termios during = {};
            tcgetattr(terminal, &during);
            EXPECT_EQ(during.c_lflag & (ICANON | ECHO | ISIG), 0u);
            host.EndDialog(kIdOk);
        };
        host.RunModal(dialog, 102);
    }
    termios after = {};
    ASSERT_EQ(tcgetattr(terminal, &after), 0);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
}

} // namespace
