// Windows front of corvane-sim: console keys, Ctrl+C and in-place drawing.
#include "tools/sim/SimTerminal.h"

#include <conio.h>
#include <csignal>
#include <cstdio>
#include <io.h>

namespace {
[[maybe_unused]] const char kRevision[] =
    "%Z% CorvaneSim QX5001:15 SimTerminal_win32.cpp $Revision: 1.1 $";

volatile std::sig_atomic_t interrupted = 0;

void OnSignal(int) {
    interrupted = 1;
}

class ConsoleTerminal : public SimTerminal {
public:
    ConsoleTerminal() {
        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);
        outputIsTerminal = _isatty(_fileno(stdout)) != 0;
    }

    bool IsTerminal() const override { return outputIsTerminal; }

    bool QuitRequested() override {
        while (interrupted == 0 && outputIsTerminal && _kbhit() != 0) {
            const int key = _getch();
            if (key == 'q' || key == 'Q' || key == 27) {
                return true;
            }
        }
        return interrupted != 0;
    }

    void Draw(const std::vector<std::string>& lines) override {
        std::fputs("\033[H\033[J", stdout);
        for (const std::string& line : lines) {
            std::fputs(line.c_str(), stdout);
            std::fputs("\n", stdout);
        }
        std::fflush(stdout);
    }

private:
    bool outputIsTerminal = false;
};
} // namespace

std::unique_ptr<SimTerminal> MakeProcessTerminal() {
    return std::make_unique<ConsoleTerminal>();
}
