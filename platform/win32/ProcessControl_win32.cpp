// Windows side of trafficlog's process control.
#include "platform/ProcessControl.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {
[[maybe_unused]] const char kRevision[] =
    "%Z% TrafficLog QX5002:85 ProcessControl_win32.cpp $Revision: 1.2 $";

// A pipe is looked at this often while it holds nothing.
constexpr DWORD kPipeLookMilliseconds = 20;

volatile std::sig_atomic_t stopRequested = 0;

void OnStopSignal(int signal) {
    stopRequested = 1;
    // The C runtime resets the handler before calling it.
    std::signal(signal, OnStopSignal);
}
} // namespace

void UseBinaryStandardInput() {
    _setmode(_fileno(stdin), _O_BINARY);
}

void CatchStopSignals() {
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
}

bool StopRequested() {
    return stopRequested != 0;
}

// A pipe's read cannot be woken: it is entered only once the pipe holds bytes, or its writer has
// gone (the read then ends at once).
long ReadAsItComes(std::FILE* file, void* buffer, std::size_t size) {
    const int fd = _fileno(file);
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (GetFileType(handle) == FILE_TYPE_PIPE) {
        DWORD waiting = 0;
        while (!StopRequested() && PeekNamedPipe(handle, nullptr, 0, nullptr, &waiting, nullptr) &&
               waiting == 0) {
            Sleep(kPipeLookMilliseconds);
        }
    }
    if (StopRequested()) {
        errno = EINTR;
        return -1;
    }
    return _read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}
