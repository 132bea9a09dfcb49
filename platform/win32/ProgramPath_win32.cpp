// Where the Windows program finds its files: the traffic data file at the one fixed path its
// users install it to, and the program's own file name from the loader.

#include "platform/ProgramPath.h"

#include "text_functions/TextFunctions.h"

#include <windows.h>

#include <cstring>

[[maybe_unused]] static const char kProgramPathWin32Revision[] =
    "%Z% Corvane QX4005:03 ProgramPath_win32.cpp $Revision: 1.1 $";

namespace {

constexpr char kTrafficDataFilePath[] = "C:\\Program Files\\Brenwick\\AddOns\\TrafficLog.dat";

} // namespace

bool GetTrafficDataFilePath(char* buffer, int size) {
    if (buffer == nullptr || size < 1) {
        return false;
    }
    if (static_cast<int>(std::strlen(kTrafficDataFilePath)) >= size) {
        buffer[0] = '\0';
        return false;
    }
    CopyBounded(buffer, kTrafficDataFilePath, size);
    return true;
}

// GetModuleFileNameA fills the buffer to the brim and fails with ERROR_INSUFFICIENT_BUFFER when
// the name is longer; a cut-off name would point at some other file, so it counts as none.
int GetProgramFileName(char* buffer, int size) {
    if (buffer == nullptr || size < 1) {
        return 0;
    }
    const DWORD length = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
    if (length == 0 || length >= static_cast<DWORD>(size)) {
        buffer[0] = '\0';
        return 0;
    }
    return static_cast<int>(length);
}
