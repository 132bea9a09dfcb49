#include "platform/RegularFile.h"

#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <io.h>

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
