// Signals, terminal modes and writes for the programs on a POSIX terminal.

#include "platform/posix/TerminalSession.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

[[maybe_unused]] static const char kTerminalSessionPosixRevision[] =
    "%Z% Corvane QX4004:06 TerminalSession_posix.cpp $Revision: 1.1 $";

namespace {

// The handler's only link to the pipe; a plain int, written before the handlers are installed.
volatile std::sig_atomic_t signalWriteFd = -1;

// Async-signal-safe: one write of one byte, errno left as the interrupted code had it.
extern "C" void ForwardSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = write(signalWriteFd, &byte, 1);
    errno = savedErrno;
}

bool MakePipe(int& readEnd, int& writeEnd) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    readEnd = ends[0];
    writeEnd = ends[1];
    return true;
}

constexpr char kEnterAlternateScreen[] = "\x1b[?1049h\x1b[?25l";
constexpr char kLeaveAlternateScreen[] = "\x1b[?25h\x1b[?1049l";

// One write of at most `most` bytes of text, repeated after an interruption; what it wrote
// leaves the text. False when the descriptor refuses.
bool WriteSome(int fd, std::string_view& text, std::size_t most) {
    ssize_t written = 0;
    do {
        written = write(fd, text.data(), std::min(text.size(), most));
    } while (written < 0 && errno == EINTR);
    if (written <= 0) {
        return false;
    }
    text.remove_prefix(static_cast<std::size_t>(written));
    return true;
}

} // namespace

SignalPipe::SignalPipe() {
    if (!MakePipe(readFd, writeFd)) {
        return;
    }
    signalWriteFd = writeFd;
    for (std::size_t i = 0; i < std::size(kCaught); ++i) {
        struct sigaction action = {};
        sigemptyset(&action.sa_mask);
        action.sa_handler = kCaught[i] == SIGPIPE ? SIG_IGN : ForwardSignal;
        action.sa_flags = SA_RESTART;
        sigaction(kCaught[i], &action, &previous[i]);
    }
}

SignalPipe::~SignalPipe() {
    if (readFd < 0) {
        return;
    }
    for (std::size_t i = 0; i < std::size(kCaught); ++i) {
        sigaction(kCaught[i], &previous[i], nullptr);
    }
    signalWriteFd = -1;
    close(readFd);
    close(writeFd);
}

PendingSignals SignalPipe::Drain() {
    PendingSignals pending;
    unsigned char numbers[64];
    ssize_t count;
    while ((count = read(readFd, numbers, sizeof numbers)) > 0 || (count < 0 && errno == EINTR)) {
        for (ssize_t i = 0; i < count; ++i) {
            if (numbers[i] == SIGWINCH) {
                pending.resize = true;
            } else {
                pending.close = true;
            }
        }
    }
    return pending;
}

ScopedTerminalModes::ScopedTerminalModes(int inputFd, bool rawKeyboard, int outputFd,
                                         bool alternateScreen)
    : inputFd(inputFd), outputFd(outputFd) {
    if (rawKeyboard && tcgetattr(inputFd, &savedModes) == 0) {
        termios raw = savedModes;
        // Output processing stays on, so that a line feed still returns the carriage.
        raw.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INPCK | ISTRIP | IXON);
        raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN | ISIG);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        keyboardChanged = tcsetattr(inputFd, TCSAFLUSH, &raw) == 0;
    }
    if (alternateScreen) {
        screenChanged = WriteAll(outputFd, kEnterAlternateScreen);
    }
}

ScopedTerminalModes::~ScopedTerminalModes() {
    if (screenChanged) {
        WriteAll(outputFd, kLeaveAlternateScreen);
    }
    if (keyboardChanged) {
        tcsetattr(inputFd, TCSAFLUSH, &savedModes);
    }
}

bool IsTerminal(int fd) {
    return isatty(fd) == 1;
}

HostSize QueryTerminalSize(int fd) {
    winsize size = {};
    if (ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) {
        return {80, 24};
    }
    return {size.ws_col, size.ws_row};
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        if (!WriteSome(fd, text, text.size())) {
            return false;
        }
    }
    return true;
}

bool WriteUntilWoken(int fd, std::string_view& text, int wakeFd, bool wait) {
    while (!text.empty()) {
        pollfd watched[2] = {{fd, POLLOUT, 0}, {wakeFd, POLLIN, 0}};
        const int ready = poll(watched, 2, wait ? -1 : 0);
        if (ready < 0 && errno != EINTR) {
            return false;
        }
        if (ready <= 0 || watched[1].revents != 0) {
            return true; // interrupted, woken, or no room and no waiting
        }
        if ((watched[0].revents & (POLLERR | POLLNVAL)) != 0) {
            return false;
        }
        if (!WriteSome(fd, text, PIPE_BUF)) {
            return false;
        }
    }
    return true;
}

std::int64_t MonotonicNanoseconds() {
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}
