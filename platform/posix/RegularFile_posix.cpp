#include "platform/RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

[[maybe_unused]] static const char kRegularFilePosixRevision[] =
    "%Z% Corvane QX4012:02 RegularFile_posix.cpp $Revision: 1.1 $";

namespace {

// The reason a file of this kind cannot be read as a data file.
int RefusalOf(const struct stat& status) {
    return S_ISDIR(status.st_mode) ? EISDIR : kNotARegularFile;
}

std::FILE* Refuse(int fd, int reason, int& error) {
    error = reason;
    close(fd);
    return nullptr;
}

} // namespace

// O_NONBLOCK makes the open of a FIFO return at once, writer or not; the kind of file is then
// known before anything is read from it.
std::FILE* OpenRegularFileForReading(const char* path, int& error) {
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return nullptr;
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
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr) {
        return Refuse(fd, errno, error);
    }
    return file;
}

FileIdentity IdentifyFile(const char* path) {
    struct stat status = {};
    if (stat(path, &status) != 0) {
        return {};
    }
    constexpr std::int64_t kNanoseconds = 1000000000;
    return {true, static_cast<std::uint64_t>(status.st_dev),
            static_cast<std::uint64_t>(status.st_ino), static_cast<std::uint64_t>(status.st_size),
            static_cast<std::int64_t>(status.st_mtim.tv_sec) * kNanoseconds +
                status.st_mtim.tv_nsec};
}
