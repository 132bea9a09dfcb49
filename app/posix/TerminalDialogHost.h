#pragma once
// The main window of the program on a Linux terminal.
//
// With standard input and output both on a terminal it draws the dialog as a full screen: the
// title, the framed lines and the other static lines, redrawn when the dialog changes them, with
// keys for the window menu ("a" About, "m" minimise, "r" restore, "q" or Ctrl-C close). A
// minimised window shows a compact display, painted by the dialog as its icon.
//
// Otherwise (a service, a pipe, a log file) it draws nothing: each change of the title or of a
// line is written as one line "<UTC time> <label>: <text>" and message boxes as their caption
// and text. A line that changes on consecutive timer ticks is a running count (the countdown at
// the end of a simulation): its first text is written at once, and of the texts after it only
// the last, once a tick passes without a change or the window closes. A message box waits for
// Enter only when standard input is a terminal; without one it returns at once, as if OK had
// been pressed.
//
// SIGINT, SIGTERM and SIGHUP close the window as the user does (SC_CLOSE), also while output
// waits on a reader that stalls; SIGWINCH redraws.

#include "app/posix/TerminalRender.h"
#include "platform/DialogHost.h"
#include "platform/posix/TerminalSession.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char kTerminalDialogHostHeaderRevision[] =
    "%Z% Corvane QX4004:01 TerminalDialogHost.h $Revision: 1.1 $";

// Window-menu commands that the terminal keys send, with their Win32 values.
inline constexpr std::uint32_t kScMinimise = 0xF020;
inline constexpr std::uint32_t kScRestore = 0xF120;

struct TerminalString {
    int id;
    const char* text;
};

// What the dialog templates and the string table hold, as far as a terminal can show it. The
// spans must outlive the host.
struct TerminalDialogLayout {
    const char* frameTitle;
    std::span<const TerminalLine> lines;
    std::span<const TerminalString> strings;
    const char* aboutCaption;
    std::span<const char* const> aboutLines;
};

// The deadline after `deadline` on the timer's grid (deadline + k * period) that lies beyond
// `now`. Ticks that a long frame made late are not made up, and the grid never drifts.
std::int64_t NextTimerDeadline(std::int64_t deadline, std::int64_t now, std::int64_t period);

// poll()'s timeout for a deadline `left` nanoseconds away: whole milliseconds rounded up, 0 for
// a deadline already passed. A wait beyond poll()'s range is cut to the longest it takes; the
// loop then simply waits again, where a wrapped negative value would wait for ever.
int PollTimeoutMilliseconds(std::int64_t left);

class TerminalDialogHost final : public DialogHost {
public:
    // inputFd and outputFd are normally 0 and 1. The signal handlers are installed from here to
    // the destruction of the host; only one host may exist at a time.
    TerminalDialogHost(int inputFd, int outputFd, const TerminalDialogLayout& layout);
    ~TerminalDialogHost() override = default;

    TerminalDialogHost(const TerminalDialogHost&) = delete;
    TerminalDialogHost& operator=(const TerminalDialogHost&) = delete;

    // False when the signal pipe could not be made; the host then cannot run a dialog.
    bool IsReady() const { return signals.IsReady(); }
    bool DrawsScreen() const { return screen; }

    int RunModal(HostedDialog& dialog, int templateId) override;
    void EndDialog(int result) override;
    void RunAboutBox() override;
    void ShowMessageBox(const char* caption, const char* text) override;

    bool StartTimer(std::uintptr_t timerId, std::uint32_t periodMs) override;
    void StopTimer(std::uintptr_t timerId) override;

    int LoadStringResource(int id, char* buffer, int size) override;
    IconHandle LoadIconResource(int id) override;

    bool HasSystemMenu() override { return true; }
    void AppendSystemMenuItem(std::uint32_t commandId, const char* text) override;
    void DefaultSysCommand(std::uint32_t command, std::int64_t parameter) override;

    void SetIcon(IconHandle icon, bool big) override;
    void SetWindowTitle(const char* text) override;
    void ShowMinimised() override;
    bool IsMinimised() override { return view.minimised; }

    void HideControl(int controlId) override;
    void DisableControl(int controlId) override;
    void SetControlText(int controlId, const char* text) override;

    HostSize ClientSize() override { return screenSize; }
    HostSize SystemIconSize() override;
    void PaintIcon(IconHandle icon, int x, int y) override;
    void DefaultPaint() override;

private:
    // What the log shows of the title or of one line.
    struct LogLine {
        const char* label = "";
        std::string text;
        std::string stamp; // when the text was set
        bool held = false; // set and not written yet
        std::int64_t changedTick = kNoTick;
    };
    static constexpr std::int64_t kNoTick = -2;

    struct Timer {
        bool running = false;
        std::uintptr_t id = 0;
        std::int64_t periodNs = 0;
        std::int64_t deadlineNs = 0;
    };

    void RunBox(const TerminalBox& box);
    void PumpOnce();
    int MillisecondsToDeadline() const;
    void HandleSignals();
    void ReadKeys(bool readable);
    void HandleKey(char key);
    void HandleWindowKey(char key);
    void DeliverDueTick();
    void Repaint();
    void LogChange(LogLine& line, const std::string& text);
    // Writes the held lines that did not change in the last tick, or all of them.
    void WriteHeldLogLines(bool all);
    void WriteLogLine(LogLine& line);
    void Output(std::string_view text);

    int inputFd;
    int outputFd;
    TerminalDialogLayout layout;
    bool keys;   // standard input is a terminal
    bool screen; // both are: draw the window
    SignalPipe signals;
    HostSize screenSize;

    HostedDialog* dialog = nullptr;
    bool ending = false;
    int result = 0;
    bool closeRequested = false;
    bool dirty = false;
    Timer timer;
    TerminalView view;
    std::vector<LogLine> logLines; // the title's, then one per layout line
    std::int64_t ticks = 0;        // delivered so far
    bool inTick = false;           // a tick's handler is running
    bool outputLost = false;       // given up: it stalled while the program closed
    std::uint32_t menuCommand = 0;
    const TerminalBox* openBox = nullptr;
    bool boxDismissed = false;
    std::string typedAhead; // keys read and not yet handled
    bool inEscapeSequence = false;
};
