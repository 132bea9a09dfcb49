// POSIX front of corvane-sim: raw keyboard input, signals and in-place drawing.
#include "tools/sim/SimTerminal.h"

#include <csignal>
#include <cstdio>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {
[[maybe_unused]] const char kRevision[] =
    "%Z% CorvaneSim QX5001:14 SimTerminal_posix.cpp $Revision: 1.1 $";

volatile std::sig_atomic_t interrupted = 0;

void OnSignal(int) {
    interrupted = 1;
}

class PosixTerminal : public SimTerminal {
public:
    PosixTerminal() {
        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);
        std::signal(SIGHUP, OnSignal);
        outputIsTerminal = isatty(STDOUT_FILENO) == 1;
        if (isatty(STDIN_FILENO) == 1 && tcgetattr(STDIN_FILENO, &saved) == 0) {
            termios raw = saved;
            raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
            raw.c_cc[VMIN] = 0;
            raw.c_cc[VTIME] = 0;
            keyboard = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
        }
    }

    ~PosixTerminal() override {
        if (keyboard) {
            tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        }
        if (drawn) {
            std::fputs("\033[?25h", stdout); // cursor back on
            std::fflush(stdout);
        }
    }

    bool IsTerminal() const override { return outputIsTerminal; }

    bool QuitRequested() override {
        if (interrupted != 0) {
            return true;
        }
        pollfd input{STDIN_FILENO, POLLIN, 0};
        while (keyboard && poll(&input, 1, 0) == 1 && (input.revents & POLLIN) != 0) {
            char key = 0;
            if (read(STDIN_FILENO, &key, 1) != 1) {
                break;
            }
            if (key == 'q' || key == 'Q' || key == 27) {
                return true;
            }
        }
        return false;
    }

    void Draw(const std::vector<std::string>& lines) override {
        std::fputs(drawn ? "\033[H" : "\033[?25l\033[H\033[2J", stdout);
        drawn = true;
        for (const std::string& line : lines) {
            std::fputs(line.c_str(), stdout);
            std::fputs("\033[K\n", stdout);
        }
        std::fputs("\033[J", stdout);
        std::fflush(stdout);
    }

private:
    termios saved{};
    bool keyboard = false;
    bool outputIsTerminal = false;
    bool drawn = false;
};
} // namespace

std::unique_ptr<SimTerminal> MakeProcessTerminal() {
    return std::make_unique<PosixTerminal>();
}
