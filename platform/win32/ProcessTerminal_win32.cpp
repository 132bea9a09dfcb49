// The process terminal on Windows: console keys, Ctrl+C and in-place drawing.
#include "platform/ProcessTerminal.h"

#include "platform/ProcessControl.h"

#include <conio.h>
#include <cstdio>
#include <io.h>
#include <windows.h>

namespace {
[[maybe_unused]] const char kRevision[] =
    "%Z% ProcessTerminal QX4014:03 ProcessTerminal_win32.cpp $Revision: 1.1 $";

class ConsoleTerminal : public ProcessTerminal {
public:
    ConsoleTerminal() {
        CatchStopSignals();
        outputIsTerminal = _isatty(_fileno(stdout)) != 0;
    }

    ~ConsoleTerminal() override { EndDrawing(); }

    bool IsTerminal() const override { return outputIsTerminal; }

    TerminalSize Size() const override {
        CONSOLE_SCREEN_BUFFER_INFO info{};
        if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info) == 0) {
            return {80, 24};
        }
        return {info.srWindow.Right - info.srWindow.Left + 1,
                info.srWindow.Bottom - info.srWindow.Top + 1};
    }

    bool QuitRequested() override {
        while (!StopRequested() && outputIsTerminal && _kbhit() != 0) {
            const int key = _getch();
            if (key == 'q' || key == 'Q' || key == 27) {
                return true;
            }
        }
        return StopRequested();
    }

    bool Draw(const std::vector<std::string>& lines) override {
        drawn = true;
        std::fputs("\033[H\033[J", stdout);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            // No line feed after the last line: on the bottom row it would scroll.
            std::fputs(lines[i].c_str(), stdout);
            std::fputs(i + 1 < lines.size() ? "\n" : "", stdout);
        }
        return std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    }

    void EndDrawing() override {
        if (drawn) {
            std::fputs("\n", stdout);
            std::fflush(stdout);
            drawn = false;
        }
    }

private:
    bool outputIsTerminal = false;
    bool drawn = false;
};
} // namespace

std::unique_ptr<ProcessTerminal> MakeProcessTerminal() {
    return std::make_unique<ConsoleTerminal>();
}

bool StandardErrorIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}
