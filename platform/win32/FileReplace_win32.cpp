// MoveFileEx with MOVEFILE_REPLACE_EXISTING replaces the target in one step (a plain rename
// refuses an existing target); the volume serial number and the file index name a file
// whatever path or link leads to it.

#include "platform/FileReplace.h"

#include "text_functions/TextFunctions.h"

#include <windows.h>

[[maybe_unused]] static const char kFileReplaceWin32Revision[] =
    "%Z% FileReplace QX4009:03 FileReplace_win32.cpp $Revision: 1.1 $";

namespace {

constexpr int kReasonSize = 256;

void SystemReason(DWORD code, char* reason) {
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reason, kReasonSize, nullptr);
    if (length == 0) {
        FormatBounded(reason, kReasonSize, "system error %lu", static_cast<unsigned long>(code));
        return;
    }
    StripNewline(reason);
    TruncateAtChar(reason, '\r');
}

bool FileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION& information) {
    // No access asked for, every sharing allowed: the file may be open in any other program.
    const HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool ok = GetFileInformationByHandle(file, &information) != 0;
    CloseHandle(file);
    return ok;
}

} // namespace

bool FileReplace::Replace(const char* from, const char* to) {
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        const DWORD code = GetLastError();
        char reason[kReasonSize];
        SystemReason(code, reason);
        if (code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED) {
            char text[kReasonSize + 80];
            FormatBounded(text, sizeof text, "%s (is the file open in a running program?)", reason);
            ReportDetail("FileReplace::Replace", text, to);
        } else {
            ReportDetail("FileReplace::Replace", reason, to);
        }
        return false;
    }
    return true;
}

bool IsSameFile(const char* first, const char* second) {
    BY_HANDLE_FILE_INFORMATION a = {};
    BY_HANDLE_FILE_INFORMATION b = {};
    return FileIdentity(first, a) && FileIdentity(second, b) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}
