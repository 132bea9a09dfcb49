// The terminal host on a pseudo-terminal as a user would have it: the full-screen window, its
// keys and the keyboard modes it gives back.

#include "app/posix/TerminalDialogHost.h"
#include "app/posix/tests/ScriptedDialog.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

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
