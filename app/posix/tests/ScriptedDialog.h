#pragma once
// The dialog the terminal host tests drive, and the layout they give the host: shared by the
// tests without a terminal and on a pseudo-terminal.

#include "app/posix/TerminalDialogHost.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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
