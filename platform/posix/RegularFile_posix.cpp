#include "platform/RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

[[maybe_unused]] static const char kRegularFilePosixRevision[] =
    "%Z% Corvane QX4012:02 RegularFile_posix.cpp $Revision: 1.2 $";

namespace {

constexpr std::int64_t kNanoseconds = 1000000000;

// The reason a file of this kind cannot be read as a data file.
int RefusalOf(const struct stat& status) {
    return S_ISDIR(status.st_mode) ? EISDIR : kNotARegularFile;
}

int Refuse(int fd, int reason, int& error) {
    error = reason;
    close(fd);
    return -1;
}

// O_NONBLOCK makes the open of a FIFO return at once, writer or not; the kind of file is then
// known before anything is read from it. -1 with `error` set when refused.
int OpenRegularDescriptor(const char* path, int& error) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    struct stat status = {};
    if (fstat(fd, &status) != 0) {
        return Refuse(fd, errno, error);
    }
    if (!S_ISREG(status.st_mode)) {
        return Refuse(fd, RefusalOf(status), error);
    }
    // A regular file never makes a read wait; without the flag no read can fail with EAGAIN.
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return Refuse(fd, errno, error);
    }
    return fd;
}

FileIdentity IdentityOf(const struct stat& status) {
    return {true, static_cast<std::uint64_t>(status.st_dev),
            static_cast<std::uint64_t>(status.st_ino), static_cast<std::uint64_t>(status.st_size),
            static_cast<std::int64_t>(status.st_mtim.tv_sec) * kNanoseconds +
                status.st_mtim.tv_nsec};
}

} // namespace

std::FILE* OpenRegularFileForReading(const char* path, int& error) {
    const int fd = OpenRegularDescriptor(path, error);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr) {
        Refuse(fd, errno, error);
    }
    return file;
}

// POSIX never holds up a reader, a remover or a renamer of an open file.
std::FILE* CreateSharedFileForWriting(const char* path, int& error) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        error = errno;
    }
    return file;
}

FileIdentity IdentifyFile(const char* path) {
    struct stat status = {};
    if (stat(path, &status) != 0) {
        return {};
    }
    return IdentityOf(status);
}

bool SharedReadFile::Open(const char* path, int& error) {
    Close();
    const int fd = OpenRegularDescriptor(path, error);
    if (fd < 0) {
        return false;
    }
    handle = fd;
    return true;
}

void SharedReadFile::Close() {
    if (handle != kNoHandle) {
        close(static_cast<int>(handle));
        handle = kNoHandle;
    }
}

bool SharedReadFile::Size(std::uint64_t& size, int& error) const {
    struct stat status = {};
    if (fstat(static_cast<int>(handle), &status) != 0) {
        error = errno;
        return false;
    }
    size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

std::int64_t SharedReadFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size,
                                    int& error) const {
    for (;;) {
        const ssize_t got =
            pread(static_cast<int>(handle), buffer, size, static_cast<off_t>(offset));
        if (got >= 0) {
            return got;
        }
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}

FileIdentity SharedReadFile::Identity() const {
    struct stat status = {};
    if (handle == kNoHandle || fstat(static_cast<int>(handle), &status) != 0) {
        return {};
    }
    return IdentityOf(status);
}
