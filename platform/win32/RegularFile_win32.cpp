#include "platform/RegularFile.h"

#include <windows.h>

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <string>

[[maybe_unused]] static const char kRegularFileWin32Revision[] =
    "%Z% Corvane QX4012:03 RegularFile_win32.cpp $Revision: 1.3 $";

namespace {

// Every sharing: a recorder goes on writing a file that a feeder reads, and either may remove
// or rename it while the other holds it.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::uint64_t Combined(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

// The C library's error number for a system error of opening or reading a file, as its own
// open would have set it.
int ErrorNumberOf(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_DISK_FULL:
        return ENOSPC;
    default:
        return EINVAL;
    }
}

// The wide form, as the C library's own open takes it: the ANSI form refuses a name longer than
// MAX_PATH that the C library's open accepts.
HANDLE OpenShared(const char* path, DWORD access, DWORD disposition, int& error) {
    const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    std::wstring name(length > 0 ? static_cast<std::size_t>(length) : 1, L'\0');
    if (length <= 0 || MultiByteToWideChar(CP_ACP, 0, path, -1, name.data(), length) != length) {
        error = EINVAL;
        return INVALID_HANDLE_VALUE;
    }
    const HANDLE file = CreateFileW(name.c_str(), access, kShareAll, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = ErrorNumberOf(GetLastError());
    }
    return file;
}

// Opening a pipe's name or a device (CON, COM1, NUL) returns at once on Windows; what it is
// shows in its file type, before anything is read from it. A pipe is kept where `streams` is
// true; a device never is.
HANDLE OpenReadHandle(const char* path, bool streams, bool& regular, int& error) {
    const HANDLE file = OpenShared(path, GENERIC_READ, OPEN_EXISTING, error);
    if (file == INVALID_HANDLE_VALUE) {
        return file;
    }
    const DWORD type = GetFileType(file);
    regular = type == FILE_TYPE_DISK;
    if (!regular && !(streams && type == FILE_TYPE_PIPE)) {
        CloseHandle(file);
        error = kNotARegularFile;
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

HANDLE OpenRegularHandle(const char* path, int& error) {
    bool regular = false;
    return OpenReadHandle(path, false, regular, error);
}

constexpr DWORD kLargestRead = 0x40000000;
constexpr DWORD kPipeLookMs = 10;

// The handle as a C stream; the stream owns it from then on.
std::FILE* StreamOf(HANDLE file, int flags, const char* mode, int& error) {
    const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(file), flags);
    if (fd < 0) {
        error = errno;
        CloseHandle(file);
        return nullptr;
    }
    std::FILE* stream = _fdopen(fd, mode);
    if (stream == nullptr) {
        error = errno;
        _close(fd);
    }
    return stream;
}

FileIdentity IdentityOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(file, &information) == 0) {
        return {};
    }
    const FILETIME& written = information.ftLastWriteTime;
    return {true, information.dwVolumeSerialNumber,
            Combined(information.nFileIndexHigh, information.nFileIndexLow),
            Combined(information.nFileSizeHigh, information.nFileSizeLow),
            static_cast<std::int64_t>(Combined(written.dwHighDateTime, written.dwLowDateTime))};
}

HANDLE HandleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

std::FILE* OpenRegularFileForReading(const char* path, int& error) {
    const HANDLE file = OpenRegularHandle(path, error);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    return StreamOf(file, _O_RDONLY | _O_BINARY, "rb", error);
}

std::FILE* CreateSharedFileForWriting(const char* path, int& error) {
    const HANDLE file = OpenShared(path, GENERIC_WRITE, CREATE_ALWAYS, error);
    if (file == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    return StreamOf(file, _O_WRONLY | _O_BINARY, "wb", error);
}

// Opened for its attributes alone, shared every way, so that no writer or deleter is held up.
FileIdentity IdentifyFile(const char* path) {
    HANDLE file = CreateFileA(path, FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    const FileIdentity identity = IdentityOf(file);
    CloseHandle(file);
    return identity;
}

bool SharedReadFile::Open(const char* path, int& error) {
    Close();
    const HANDLE file = OpenRegularHandle(path, error);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    handle = reinterpret_cast<std::intptr_t>(file);
    return true;
}

void SharedReadFile::Close() {
    if (handle != kNoHandle) {
        CloseHandle(HandleOf(handle));
        handle = kNoHandle;
    }
}

bool SharedReadFile::Size(std::uint64_t& size, int& error) const {
    LARGE_INTEGER length{};
    if (GetFileSizeEx(HandleOf(handle), &length) == 0) {
        error = ErrorNumberOf(GetLastError());
        return false;
    }
    size = static_cast<std::uint64_t>(length.QuadPart);
    return true;
}

// The offset goes with the read, so the handle's own position is never relied on.
std::int64_t SharedReadFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size,
                                    int& error) const {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD asked = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD got = 0;
    if (ReadFile(HandleOf(handle), buffer, asked, &got, &at) == 0) {
        const DWORD code = GetLastError();
        if (code == ERROR_HANDLE_EOF) {
            return 0;
        }
        error = ErrorNumberOf(code);
        return -1;
    }
    return got;
}

FileIdentity SharedReadFile::Identity() const {
    return handle == kNoHandle ? FileIdentity{} : IdentityOf(HandleOf(handle));
}

bool SequentialReadFile::Open(const char* path, bool streams, int& error) {
    Close();
    const HANDLE file = OpenReadHandle(path, streams, regular, error);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    handle = reinterpret_cast<std::intptr_t>(file);
    return true;
}

void SequentialReadFile::Close() {
    if (handle != kNoHandle) {
        CloseHandle(HandleOf(handle));
        handle = kNoHandle;
    }
}

// A pipe's read would wait for as long as its writer takes: it is read only once it holds
// bytes, and looked at every few milliseconds until then.
std::int64_t SequentialReadFile::Read(char* buffer, std::size_t size, int waitMs, int& error) {
    DWORD asked = size > kLargestRead ? kLargestRead : static_cast<DWORD>(size);
    for (DWORD waited = 0; !regular;) {
        DWORD available = 0;
        if (PeekNamedPipe(HandleOf(handle), nullptr, 0, nullptr, &available, nullptr) == 0) {
            const DWORD code = GetLastError();
            if (code == ERROR_BROKEN_PIPE) {
                return 0; // the writer has gone
            }
            error = ErrorNumberOf(code);
            return -1;
        }
        if (available > 0) {
            asked = available < asked ? available : asked;
            break;
        }
        if (waited >= static_cast<DWORD>(waitMs)) {
            return kNothingYet;
        }
        Sleep(kPipeLookMs);
        waited += kPipeLookMs;
    }
    DWORD got = 0;
    if (ReadFile(HandleOf(handle), buffer, asked, &got, nullptr) == 0) {
        const DWORD code = GetLastError();
        if (code == ERROR_HANDLE_EOF || code == ERROR_BROKEN_PIPE) {
            return 0;
        }
        error = ErrorNumberOf(code);
        return -1;
    }
    return got;
}
