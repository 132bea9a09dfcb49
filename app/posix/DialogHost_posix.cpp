// The terminal host's modal loop: one poll() on the signal pipe and the keyboard, with the
// timer's next deadline as the timeout. Handlers run one at a time on this thread; the boxes
// run the same loop nested, so that timer ticks keep arriving while they are open, as they do
// under a Windows message box.

#include "app/posix/TerminalDialogHost.h"

#include "platform/Clock.h"
#include "text_functions/TextFunctions.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <poll.h>
#include <unistd.h>

[[maybe_unused]] static const char kDialogHostPosixRevision[] =
    "%Z% Corvane QX4004:02 DialogHost_posix.cpp $Revision: 1.1 $";

namespace {

constexpr std::int64_t kNanosecondsPerMillisecond = 1000000;
constexpr int kIconWidth = 60;
constexpr int kIconHeight = 3;

constexpr char kCtrlC = 0x03;
constexpr char kCtrlL = 0x0c;
constexpr char kEscape = 0x1b;

constexpr char kTitleLabel[] = "Title";
constexpr char kMessageBoxLabel[] = "Message box";
constexpr char kPressEnter[] = "(press Enter)\n";

bool IsEnter(char key) {
    return key == '\r' || key == '\n';
}

// A menu text without its keyboard-accelerator marks ("&About" shows as "About").
std::string WithoutAccelerators(const char* text) {
    std::string plain = text != nullptr ? text : "";
    plain.erase(std::remove(plain.begin(), plain.end(), '&'), plain.end());
    return plain;
}

std::string BoxLogText(const TerminalBox& box) {
    return "\"" + box.caption + "\": " + box.text;
}

std::string CalendarStamp() {
    char stamp[kUtcTimestampSize];
    return FormatUtcTimestamp(stamp, sizeof stamp, SystemClock().NowSeconds());
}

} // namespace

std::int64_t NextTimerDeadline(std::int64_t deadline, std::int64_t now, std::int64_t period) {
    if (now < deadline) {
        return deadline;
    }
    return deadline + ((now - deadline) / period + 1) * period;
}

int PollTimeoutMilliseconds(std::int64_t left) {
    if (left <= 0) {
        return 0;
    }
    const std::int64_t milliseconds =
        (left + kNanosecondsPerMillisecond - 1) / kNanosecondsPerMillisecond;
    return static_cast<int>(std::min<std::int64_t>(milliseconds, std::numeric_limits<int>::max()));
}

TerminalDialogHost::TerminalDialogHost(int inputFd, int outputFd,
                                       const TerminalDialogLayout& layout)
    : inputFd(inputFd), outputFd(outputFd), layout(layout), keys(IsTerminal(inputFd)),
      screen(keys && IsTerminal(outputFd)), screenSize(QueryTerminalSize(outputFd)) {
    view.frameTitle = layout.frameTitle != nullptr ? layout.frameTitle : "";
    view.texts.resize(layout.lines.size());
    logLines.resize(layout.lines.size() + 1);
    logLines[0].label = kTitleLabel;
    for (std::size_t i = 0; i < layout.lines.size(); ++i) {
        logLines[i + 1].label = layout.lines[i].label;
    }
}

int TerminalDialogHost::RunModal(HostedDialog& hostedDialog, int /*templateId*/) {
    if (dialog != nullptr || !IsReady()) {
        return -1; // one window at a time, and never one that cannot be closed
    }
    const ScopedTerminalModes modes(inputFd, keys, outputFd, screen);
    dialog = &hostedDialog;
    ending = false;
    result = 0;
    dirty = true;
    dialog->OnInitDialog();
    while (!ending) {
        if (closeRequested) {
            closeRequested = false;
            dialog->OnSysCommand(kScClose, 0);
        } else {
            PumpOnce();
        }
    }
    timer.running = false;
    WriteHeldLogLines(true);
    dialog->OnDestroy();
    WriteHeldLogLines(true);
    dialog = nullptr;
    return result;
}

void TerminalDialogHost::EndDialog(int endResult) {
    ending = true;
    result = endResult;
}

void TerminalDialogHost::RunAboutBox() {
    std::string text;
    for (const char* line : layout.aboutLines) {
        text += text.empty() ? line : std::string("\n") + line;
    }
    RunBox({layout.aboutCaption != nullptr ? layout.aboutCaption : "", text});
}

void TerminalDialogHost::ShowMessageBox(const char* caption, const char* text) {
    RunBox({caption != nullptr ? caption : "", text != nullptr ? text : ""});
}

void TerminalDialogHost::RunBox(const TerminalBox& box) {
    if (!screen) {
        // The lines set before the box come before it in the log.
        WriteHeldLogLines(true);
        LogLine boxLog;
        boxLog.label = kMessageBoxLabel;
        boxLog.text = BoxLogText(box);
        boxLog.stamp = CalendarStamp();
        WriteLogLine(boxLog);
    }
    if (!keys) {
        return; // nobody can press Enter: the box counts as confirmed
    }
    if (!screen) {
        Output(kPressEnter);
    }
    const TerminalBox* outerBox = openBox;
    openBox = &box;
    boxDismissed = false;
    dirty = true;
    while (!boxDismissed && !closeRequested) {
        PumpOnce();
    }
    openBox = outerBox;
    boxDismissed = false;
    dirty = true;
}

void TerminalDialogHost::PumpOnce() {
    if (dirty && screen) {
        Repaint();
    }
    pollfd watched[2] = {{signals.ReadFd(), POLLIN, 0}, {inputFd, POLLIN, 0}};
    const nfds_t count = keys ? 2 : 1;
    const int timeout = typedAhead.empty() ? MillisecondsToDeadline() : 0;
    const int ready = poll(watched, count, timeout);
    if (ready < 0 && errno != EINTR) {
        closeRequested = true; // a loop that can no longer wait would spin: close instead
        return;
    }
    if (watched[0].revents != 0) {
        HandleSignals();
    }
    if (keys && watched[1].revents != 0) {
        ReadKeys((watched[1].revents & POLLIN) != 0);
    }
    // One key per turn: a key that opens a box leaves the keys typed after it to the box.
    if (!typedAhead.empty()) {
        const char key = typedAhead.front();
        typedAhead.erase(0, 1);
        HandleKey(key);
    }
    // A close asked for in this turn (a signal, q) comes before a tick that fell due meanwhile.
    if (!closeRequested) {
        DeliverDueTick();
    }
}

int TerminalDialogHost::MillisecondsToDeadline() const {
    if (!timer.running || ending) {
        return -1;
    }
    return PollTimeoutMilliseconds(timer.deadlineNs - MonotonicNanoseconds());
}

void TerminalDialogHost::HandleSignals() {
    const PendingSignals pending = signals.Drain();
    if (pending.resize) {
        screenSize = QueryTerminalSize(outputFd);
        dirty = true;
    }
    if (pending.close) {
        closeRequested = true;
    }
}

void TerminalDialogHost::ReadKeys(bool readable) {
    char bytes[64];
    const ssize_t count = readable ? read(inputFd, bytes, sizeof bytes) : 0;
    if (count == 0 || (count < 0 && errno != EINTR && errno != EAGAIN)) {
        keys = false; // the terminal went away: close as a hang-up would
        closeRequested = true;
    }
    for (ssize_t i = 0; i < count; ++i) {
        // Cursor and function keys arrive as ESC [ ... final byte; none of them is a command.
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (inEscapeSequence) {
            inEscapeSequence = byte == '[' || byte == 'O' || byte < 0x40;
        } else if (byte == kEscape) {
            inEscapeSequence = true;
        } else {
            typedAhead += bytes[i];
        }
    }
}

void TerminalDialogHost::HandleKey(char key) {
    if (key == 'q' || key == kCtrlC) {
        // In a box, closing the window first confirms the box; the window closes behind it.
        closeRequested = true;
    } else if (key == kCtrlL && screen) {
        Output("\x1b[2J"); // a screen garbled by another program: draw it anew
        dirty = true;
    } else if (openBox != nullptr) {
        boxDismissed = IsEnter(key);
    } else {
        HandleWindowKey(key);
    }
}

void TerminalDialogHost::HandleWindowKey(char key) {
    if (key == 'a' && !view.menuItem.empty()) {
        dialog->OnSysCommand(menuCommand, 0);
    } else if (key == 'm' && !view.minimised) {
        dialog->OnSysCommand(kScMinimise, 0);
    } else if (key == 'r' && view.minimised) {
        dialog->OnSysCommand(kScRestore, 0);
    }
}

void TerminalDialogHost::DeliverDueTick() {
    if (!timer.running || ending) {
        return;
    }
    const std::int64_t now = MonotonicNanoseconds();
    if (now < timer.deadlineNs) {
        return;
    }
    // The next deadline is fixed before the handler runs, so the time the frame takes does
    // not shift the ones after it; the handler may also stop or restart the timer.
    timer.deadlineNs = NextTimerDeadline(timer.deadlineNs, now, timer.periodNs);
    ++ticks;
    inTick = true;
    dialog->OnTimer(timer.id);
    inTick = false;
    WriteHeldLogLines(false);
}

bool TerminalDialogHost::StartTimer(std::uintptr_t timerId, std::uint32_t periodMs) {
    if (timer.running && timer.id != timerId) {
        return false; // the terminal keeps one timer
    }
    timer.running = true;
    timer.id = timerId;
    timer.periodNs = std::max<std::int64_t>(periodMs, 1) * kNanosecondsPerMillisecond;
    timer.deadlineNs = MonotonicNanoseconds() + timer.periodNs;
    return true;
}

void TerminalDialogHost::StopTimer(std::uintptr_t timerId) {
    if (timer.id == timerId) {
        timer.running = false;
    }
}

int TerminalDialogHost::LoadStringResource(int id, char* buffer, int size) {
    if (buffer == nullptr || size < 1) {
        return 0;
    }
    buffer[0] = '\0';
    for (const TerminalString& entry : layout.strings) {
        if (entry.id == id && entry.text != nullptr) {
            CopyBounded(buffer, entry.text, size);
            return BoundedLength(buffer);
        }
    }
    return 0;
}

IconHandle TerminalDialogHost::LoadIconResource(int id) {
    // The terminal's icon is the compact display; the id stands for it.
    return id > 0 ? static_cast<IconHandle>(id) : 0;
}

void TerminalDialogHost::AppendSystemMenuItem(std::uint32_t commandId, const char* text) {
    menuCommand = commandId;
    view.menuItem = WithoutAccelerators(text);
    dirty = true;
}

void TerminalDialogHost::DefaultSysCommand(std::uint32_t command, std::int64_t /*parameter*/) {
    if (command == kScMinimise) {
        ShowMinimised();
    } else if (command == kScRestore) {
        view.minimised = false;
        dirty = true;
    } else if (command == kScClose && !ending) {
        dialog->OnCancel(); // what a dialog window does with WM_CLOSE
    }
}

void TerminalDialogHost::SetIcon(IconHandle /*icon*/, bool /*big*/) {
    // A terminal has no place for a window icon.
}

void TerminalDialogHost::SetWindowTitle(const char* text) {
    const std::string title = text != nullptr ? text : "";
    if (title == view.title) {
        return;
    }
    view.title = title;
    dirty = true;
    if (!screen) {
        LogChange(logLines[0], title);
    }
}

void TerminalDialogHost::ShowMinimised() {
    view.minimised = true;
    dirty = true;
}

void TerminalDialogHost::HideControl(int /*controlId*/) {
    // The terminal draws the static lines only; the buttons have no place on it.
}

void TerminalDialogHost::DisableControl(int /*controlId*/) {}

void TerminalDialogHost::SetControlText(int controlId, const char* text) {
    const std::string shown = text != nullptr ? text : "";
    for (std::size_t i = 0; i < layout.lines.size(); ++i) {
        if (layout.lines[i].controlId != controlId || view.texts[i] == shown) {
            continue;
        }
        view.texts[i] = shown;
        dirty = true;
        if (!screen) {
            LogChange(logLines[i + 1], shown);
        }
    }
}

HostSize TerminalDialogHost::SystemIconSize() {
    return {std::min(kIconWidth, std::max(screenSize.width - 1, 1)), kIconHeight};
}

void TerminalDialogHost::PaintIcon(IconHandle /*icon*/, int x, int y) {
    if (screen) {
        Output(RenderIcon(view, SystemIconSize(), x, y));
    }
}

void TerminalDialogHost::DefaultPaint() {
    if (screen) {
        Output(RenderWindow(layout.lines, view, screenSize, openBox));
    }
}

void TerminalDialogHost::Repaint() {
    dirty = false;
    // While a box is open only timer ticks reach the dialog, so the host draws it itself.
    if (openBox != nullptr || dialog == nullptr) {
        DefaultPaint();
    } else {
        dialog->OnPaint();
    }
}

// A change in the tick right after the line's last change continues a running count and is
// held; any other change is written at once.
void TerminalDialogHost::LogChange(LogLine& line, const std::string& text) {
    const std::int64_t tick = inTick ? ticks : kNoTick;
    const bool counting = inTick && line.changedTick == tick - 1;
    if (line.held && !counting) {
        WriteLogLine(line); // the last text of the count comes before what ends it
    }
    line.text = text;
    line.stamp = CalendarStamp();
    line.changedTick = tick;
    line.held = counting;
    if (!counting) {
        WriteLogLine(line);
    }
}

void TerminalDialogHost::WriteHeldLogLines(bool all) {
    for (LogLine& line : logLines) {
        if (line.held && (all || line.changedTick != ticks)) {
            WriteLogLine(line);
        }
    }
}

void TerminalDialogHost::WriteLogLine(LogLine& line) {
    line.held = false;
    Output(FormatLogLine(line.stamp, line.label, line.text));
}

// Output that stalls (a log pipe nobody reads, a terminal that hangs) must not keep a signal
// from closing the program: the wait ends with the signal, and once the program is closing,
// only what fits at once is written and the rest of the output given up.
void TerminalDialogHost::Output(std::string_view text) {
    while (!outputLost && !text.empty()) {
        const bool closing = closeRequested || ending;
        if (!WriteUntilWoken(outputFd, text, signals.ReadFd(), !closing) ||
            (closing && !text.empty())) {
            outputLost = true;
        } else if (!text.empty()) {
            HandleSignals();
        }
    }
}
