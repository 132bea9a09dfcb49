#include "platform/RegularFile.h"

#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <io.h>

namespace {

std::uint64_t Combined(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

} // namespace

[[maybe_unused]] static const char kRegularFileWin32Revision[] =
    "%Z% Corvane QX4012:03 RegularFile_win32.cpp $Revision: 1.1 $";

// Opening a pipe's name or a device (CON, COM1, NUL) returns at once on Windows; what it is
// shows in its file type, before anything is read from it.
std::FILE* OpenRegularFileForReading(const char* path, int& error) {
    const int fd = _open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        error = errno;
        return nullptr;
    }
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK) {
        _close(fd);
        error = kNotARegularFile;
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "rb");
    if (file == nullptr) {
        error = errno;
        _close(fd);
    }
    return file;
}

// Opened for its attributes alone, shared every way, so that no writer or deleter is held up.
FileIdentity IdentifyFile(const char* path) {
    HANDLE file = CreateFileA(path, FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = GetFileInformationByHandle(file, &information) != 0;
    CloseHandle(file);
    if (!known) {
        return {};
    }
    const FILETIME& written = information.ftLastWriteTime;
    return {true, information.dwVolumeSerialNumber,
            Combined(information.nFileIndexHigh, information.nFileIndexLow),
            Combined(information.nFileSizeHigh, information.nFileSizeLow),
            static_cast<std::int64_t>(Combined(written.dwHighDateTime, written.dwLowDateTime))};
}
