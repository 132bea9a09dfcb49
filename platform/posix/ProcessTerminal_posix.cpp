// The process terminal on POSIX systems: the terminal session (signals through a pipe, SIGPIPE
// ignored, the keyboard raw) and in-place drawing.
#include "platform/ProcessTerminal.h"

#include "platform/posix/TerminalSession.h"

#include <poll.h>
#include <unistd.h>

namespace {
[[maybe_unused]] const char kRevision[] =
    "%Z% ProcessTerminal QX4014:02 ProcessTerminal_posix.cpp $Revision: 1.1 $";

constexpr char kCtrlC = 3;
constexpr char kEscape = 27;

bool InputWaiting(int fd) {
    pollfd input{fd, POLLIN, 0};
    return poll(&input, 1, 0) == 1 && (input.revents & POLLIN) != 0;
}

class PosixTerminal : public ProcessTerminal {
public:
    PosixTerminal()
        : keyboard(::IsTerminal(STDIN_FILENO)), outputIsTerminal(::IsTerminal(STDOUT_FILENO)),
          // The last picture stays on the screen after the end: no alternate screen.
          modes(STDIN_FILENO, keyboard, STDOUT_FILENO, false) {}

    ~PosixTerminal() override { EndDrawing(); }

    bool IsTerminal() const override { return outputIsTerminal; }

    TerminalSize Size() const override {
        const HostSize size = QueryTerminalSize(STDOUT_FILENO);
        return {size.width, size.height};
    }

    bool QuitRequested() override {
        if (!signals.IsReady() || (InputWaiting(signals.ReadFd()) && signals.Drain().close)) {
            quit = true;
        }
        while (!quit && keyboard && InputWaiting(STDIN_FILENO)) {
            char key = 0;
            if (read(STDIN_FILENO, &key, 1) != 1) {
                break;
            }
            quit = key == 'q' || key == 'Q' || key == kEscape || key == kCtrlC;
        }
        return quit;
    }

    bool Draw(const std::vector<std::string>& lines) override {
        std::string screen = drawn ? "\033[H" : "\033[?25l\033[H\033[2J";
        drawn = true;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            // No line feed after the last line: on the bottom row it would scroll.
            screen += "\033[2K" + lines[i] + (i + 1 < lines.size() ? "\r\n" : "");
        }
        return WriteAll(STDOUT_FILENO, screen + "\033[J");
    }

    void EndDrawing() override {
        if (drawn) {
            WriteAll(STDOUT_FILENO, "\033[?25h\r\n"); // the cursor back on
            drawn = false;
        }
    }

private:
    SignalPipe signals;
    bool keyboard;
    bool outputIsTerminal;
    ScopedTerminalModes modes;
    bool drawn = false;
    bool quit = false;
};
} // namespace

std::unique_ptr<ProcessTerminal> MakeProcessTerminal() {
    return std::make_unique<PosixTerminal>();
}

bool StandardErrorIsTerminal() {
    return ::IsTerminal(STDERR_FILENO);
}
