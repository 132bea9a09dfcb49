#pragma once
// The terminal of a program on a POSIX system: signals turned into bytes on a pipe, the keyboard
// in raw mode, the alternate screen, and plain writes that survive interruptions. The feeder's
// terminal host (app/posix) and the tools' process terminal (ProcessTerminal) stand on it.

#include "platform/DialogHost.h"

#include <csignal>
#include <cstdint>
#include <iterator>
#include <string_view>
#include <termios.h>

inline constexpr char kTerminalSessionHeaderRevision[] =
    "%Z% Corvane QX4004:05 TerminalSession.h $Revision: 1.1 $";

// What the signals that arrived since the last Drain ask for.
struct PendingSignals {
    bool close = false;  // SIGINT, SIGTERM, SIGHUP
    bool resize = false; // SIGWINCH
};

// Catches SIGINT, SIGTERM, SIGHUP and SIGWINCH for its lifetime: the handler only writes the
// signal number to a pipe, which the owner's poll loop reads. SIGPIPE is ignored meanwhile, so a
// closed log pipe makes writes fail instead of ending the program. The previous dispositions
// come back on destruction. One object at a time.
class SignalPipe {
public:
    SignalPipe();
    ~SignalPipe();
    SignalPipe(const SignalPipe&) = delete;
    SignalPipe& operator=(const SignalPipe&) = delete;

    bool IsReady() const { return readFd >= 0; }
    int ReadFd() const { return readFd; }
    PendingSignals Drain();

private:
    static constexpr int kCaught[] = {SIGINT, SIGTERM, SIGHUP, SIGWINCH, SIGPIPE};

    int readFd = -1;
    int writeFd = -1;
    struct sigaction previous[std::size(kCaught)] = {};
};

// The terminal modes of a running window: the keyboard raw (no echo, no line editing, no
// signal keys, so that Ctrl-C arrives as a key) and, for a full-screen window, the alternate
// screen with a hidden cursor. Everything is put back on destruction.
class ScopedTerminalModes {
public:
    ScopedTerminalModes(int inputFd, bool rawKeyboard, int outputFd, bool alternateScreen);
    ~ScopedTerminalModes();
    ScopedTerminalModes(const ScopedTerminalModes&) = delete;
    ScopedTerminalModes& operator=(const ScopedTerminalModes&) = delete;

private:
    int inputFd;
    int outputFd;
    bool keyboardChanged = false;
    bool screenChanged = false;
    termios savedModes = {};
};

bool IsTerminal(int fd);
// Columns and rows of the terminal; 80 by 24 when it does not tell.
HostSize QueryTerminalSize(int fd);
// Writes all of text, retrying after interruptions; false when the descriptor refuses.
bool WriteAll(int fd, std::string_view text);
// Writes `text`, removing what is written from it, and returns once it is all written, once a
// byte waits on wakeFd (a signal for the caller to handle), or, when `wait` is false, once the
// descriptor has no room left. Every write follows a poll() that found room and is at most
// PIPE_BUF bytes, so that a reader that stops reading (a stalled log pipe) can hold the caller
// only until the next signal. False when the descriptor refuses.
bool WriteUntilWoken(int fd, std::string_view& text, int wakeFd, bool wait);
std::int64_t MonotonicNanoseconds();
