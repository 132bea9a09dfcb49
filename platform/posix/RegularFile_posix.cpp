#include "platform/RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

[[maybe_unused]] static const char kRegularFilePosixRevision[] =
    "%Z% Corvane QX4012:02 RegularFile_posix.cpp $Revision: 1.3 $";

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
// known before anything is read from it. A FIFO, a pipe or a device stays non-blocking, so that
// a read after poll() never waits either. -1 with `error` set when refused.
int OpenDescriptor(const char* path, bool streams, bool& regular, int& error) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    struct stat status = {};
    if (fstat(fd, &status) != 0) {
        return Refuse(fd, errno, error);
    }
    regular = S_ISREG(status.st_mode);
    if (S_ISDIR(status.st_mode) || (!regular && !streams)) {
        return Refuse(fd, RefusalOf(status), error);
    }
    if (!regular) {
        return fd;
    }
    // A regular file never makes a read wait; without the flag no read can fail with EAGAIN.
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        return Refuse(fd, errno, error);
    }
    return fd;
}

int OpenRegularDescriptor(const char* path, int& error) {
    bool regular = false;
    return OpenDescriptor(path, false, regular, error);
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

bool SequentialReadFile::Open(const char* path, bool streams, int& error) {
    Close();
    const int fd = OpenDescriptor(path, streams, regular, error);
    if (fd < 0) {
        return false;
    }
    handle = fd;
    return true;
}

void SequentialReadFile::Close() {
    if (handle != kNoHandle) {
        close(static_cast<int>(handle));
        handle = kNoHandle;
    }
}

std::int64_t SequentialReadFile::Read(char* buffer, std::size_t size, int waitMs, int& error) {
    const int fd = static_cast<int>(handle);
    if (!regular) {
        // A FIFO nobody has opened for writing yet shows no hang-up, so this waits for its
        // first writer as for its bytes; a signal only shortens the wait.
        pollfd input{fd, POLLIN, 0};
        const int ready = poll(&input, 1, waitMs);
        if (ready < 0 && errno != EINTR) {
            error = errno;
            return -1;
        }
        if (ready <= 0) {
            return kNothingYet;
        }
    }
    for (;;) {
        const ssize_t got = read(fd, buffer, size);
        if (got >= 0) {
            return got;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return kNothingYet;
        }
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
}
