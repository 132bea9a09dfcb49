// The Win32 dialog host with a real window (under Wine it needs a display): the modal loop and
// its end, the close path, timers inside nested modal boxes, and the window operations.

#include "app/win32/Win32DialogHost.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kTemplateId = 102;
constexpr int kAboutTemplateId = 100;
constexpr std::uint32_t kAboutCommand = 0x0010;
constexpr std::uintptr_t kTimerId = 0x006DFA5A;
constexpr int kMessageLine = 1003;
constexpr int kRecordButton = 1005;

// A dialog whose handlers the test scripts; it records which handlers ran, in order.
class ScriptedDialog final : public HostedDialog {
public:
    explicit ScriptedDialog(Win32DialogHost& host) : host(host) {}

    std::function<void()> onInit;
    std::function<void(int tick)> onTick;
    std::vector<std::string> calls;

    bool OnInitDialog() override {
        calls.push_back("init");
        if (onInit) {
            onInit();
        }
        return true;
    }
    void OnSysCommand(std::uint32_t command, std::int64_t parameter) override {
        calls.push_back("syscommand " + std::to_string(command));
        if ((command & 0xFFF0) == kAboutCommand) {
            host.RunAboutBox();
            calls.push_back("about closed");
            return;
        }
        if (command == kScClose) {
            OnOK();
        }
        host.DefaultSysCommand(command, parameter);
    }
    void OnPaint() override { host.DefaultPaint(); }
    IconHandle OnQueryDragIcon() override { return 0; }
    void OnTimer(std::uintptr_t timerId) override {
        EXPECT_EQ(timerId, kTimerId);
        ++ticks;
        if (onTick) {
            onTick(ticks);
        }
    }
    void OnOK() override {
        calls.push_back("ok");
        host.EndDialog(kIdOk);
    }
    void OnCancel() override {
        calls.push_back("cancel");
        host.EndDialog(kIdCancel);
    }
    void OnStart() override { calls.push_back("start"); }
    void OnRecord() override { calls.push_back("record"); }
    void OnDestroy() override {
        calls.push_back("destroy");
        host.StopTimer(kTimerId);
    }

    int ticks = 0;

private:
    Win32DialogHost& host;
};

class DialogHostWin32 : public ::testing::Test {
protected:
    HWND Window() const { return reinterpret_cast<HWND>(host.Window()); }

    Win32DialogHost host{reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr)),
                         kAboutTemplateId};
    ScriptedDialog dialog{host};
};

TEST_F(DialogHostWin32, TimerTicksUntilTheDialogEndsThenDestroyComesOnceAndNoMoreTicks) {
    dialog.onInit = [&] { ASSERT_TRUE(host.StartTimer(kTimerId, 10)); };
    dialog.onTick = [&](int tick) {
        if (tick == 3) {
            host.EndDialog(7);
            host.EndDialog(8); // the first result stands
        }
    };
    EXPECT_EQ(host.RunModal(dialog, kTemplateId), 7);
    EXPECT_EQ(dialog.ticks, 3);
    EXPECT_EQ(dialog.calls, (std::vector<std::string>{"init", "destroy"}));
    EXPECT_EQ(host.Window(), 0u);
}

// A window that cannot be made runs none of the dialog's handlers and tells why; the next
// dialog that can be made clears that.
TEST_F(DialogHostWin32, WindowThatCannotBeMadeSaysWhy) {
    constexpr int kNoSuchTemplate = 4321;
    EXPECT_EQ(host.RunModal(dialog, kNoSuchTemplate), -1);
    EXPECT_FALSE(host.WindowMade());
    EXPECT_EQ(host.WindowError(), ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_TRUE(dialog.calls.empty());

    dialog.onInit = [&] { host.EndDialog(0); };
    host.RunModal(dialog, kTemplateId);
    EXPECT_TRUE(host.WindowMade());
    EXPECT_EQ(host.WindowError(), 0);
}

TEST_F(DialogHostWin32, WindowOperationsReachTheWindowAndItsControls) {
    char menuText[64] = {};
    char title[64] = {};
    char line[64] = {};
    bool recordVisible = true;
    bool recordEnabled = true;
    dialog.onInit = [&] {
        char text[32] = {};
        EXPECT_EQ(host.LoadStringResource(101, text, sizeof text), 14);
        EXPECT_TRUE(host.HasSystemMenu());
        host.AppendSystemMenuItem(kAboutCommand, text);
        host.SetWindowTitle("Halvery v1");
        host.SetControlText(kMessageLine, "No Data File");
        host.DisableControl(kRecordButton);
        host.HideControl(kRecordButton);
        host.StartTimer(kTimerId, 10);
    };
    dialog.onTick = [&](int) {
        HMENU menu = GetSystemMenu(Window(), FALSE);
        GetMenuStringA(menu, kAboutCommand, menuText, sizeof menuText, MF_BYCOMMAND);
        GetWindowTextA(Window(), title, sizeof title);
        GetDlgItemTextA(Window(), kMessageLine, line, sizeof line);
        recordVisible = IsWindowVisible(GetDlgItem(Window(), kRecordButton)) != FALSE;
        recordEnabled = IsWindowEnabled(GetDlgItem(Window(), kRecordButton)) != FALSE;
        host.EndDialog(0);
    };
    EXPECT_EQ(host.RunModal(dialog, kTemplateId), 0);
    EXPECT_STREQ(menuText, "&About Test...");
    EXPECT_STREQ(title, "Halvery v1");
    EXPECT_STREQ(line, "No Data File");
    EXPECT_FALSE(recordVisible);
    EXPECT_FALSE(recordEnabled);
}

TEST_F(DialogHostWin32, MissingStringGivesNothing) {
    char text[8] = "x";
    EXPECT_EQ(host.LoadStringResource(999, text, sizeof text), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(host.LoadIconResource(999), 0u);
}

// A dialog that minimises itself while it initialises is still minimised once the loop runs.
TEST_F(DialogHostWin32, DialogMinimisedDuringInitialisationStaysMinimised) {
    bool minimised = false;
    dialog.onInit = [&] {
        host.ShowMinimised();
        host.StartTimer(kTimerId, 10);
    };
    dialog.onTick = [&](int tick) {
        if (tick == 5) {
            minimised = host.IsMinimised() && IsWindowVisible(Window());
            host.EndDialog(0);
        }
    };
    host.RunModal(dialog, kTemplateId);
    EXPECT_TRUE(minimised);
}

TEST_F(DialogHostWin32, DialogNotShownByItselfIsShownNormally) {
    bool shownNormally = false;
    dialog.onInit = [&] { host.StartTimer(kTimerId, 10); };
    dialog.onTick = [&](int tick) {
        if (tick == 5) {
            shownNormally = IsWindowVisible(Window()) && !host.IsMinimised();
            host.EndDialog(0);
        }
    };
    host.RunModal(dialog, kTemplateId);
    EXPECT_TRUE(shownNormally);
}

// Closing from the title bar goes through OK; the close that the default handling then
// completes (WM_CLOSE, the dialog manager's Cancel) reaches the dialog no more.
TEST_F(DialogHostWin32, CloseFromTheSystemMenuEndsThroughOk) {
    dialog.onInit = [&] { PostMessageA(Window(), WM_SYSCOMMAND, SC_CLOSE, 0); };
    EXPECT_EQ(host.RunModal(dialog, kTemplateId), kIdOk);
    EXPECT_EQ(dialog.calls,
              (std::vector<std::string>{"init", "syscommand 61536", "ok", "destroy"}));
}

TEST_F(DialogHostWin32, ButtonsAndKeysReachTheirHandlers) {
    dialog.onInit = [&] {
        PostMessageA(Window(), WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED), 0);
        PostMessageA(Window(), WM_COMMAND, MAKEWPARAM(kRecordButton, BN_CLICKED), 0);
        PostMessageA(Window(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    };
    EXPECT_EQ(host.RunModal(dialog, kTemplateId), kIdCancel);
    EXPECT_EQ(dialog.calls,
              (std::vector<std::string>{"init", "start", "record", "cancel", "destroy"}));
}

HWND FindAboutBox() {
    return FindWindowA(nullptr, "About Test");
}

// The About box is modal; the main dialog's timer keeps ticking while it is open.
TEST_F(DialogHostWin32, TimerKeepsTickingWhileTheAboutBoxIsOpen) {
    int ticksWithAboutOpen = 0;
    dialog.onInit = [&] {
        host.StartTimer(kTimerId, 10);
        PostMessageA(Window(), WM_SYSCOMMAND, kAboutCommand | 0x3, 0);
    };
    dialog.onTick = [&](int) {
        HWND about = FindAboutBox();
        if (about != nullptr && ++ticksWithAboutOpen == 3) {
            PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        if (about == nullptr && ticksWithAboutOpen >= 3) {
            host.EndDialog(0);
        }
    };
    EXPECT_EQ(host.RunModal(dialog, kTemplateId), 0);
    EXPECT_GE(ticksWithAboutOpen, 3);
    EXPECT_EQ(dialog.calls,
              (std::vector<std::string>{"init", "syscommand 19", "about closed", "destroy"}));
}

} // namespace
