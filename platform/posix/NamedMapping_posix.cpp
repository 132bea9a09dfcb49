// POSIX shared memory objects behind NamedMapping: the name "X" is the object "/X".

#include "platform/NamedMapping.h"

#include "platform/posix/FileHolders.h"
#include "text_functions/TextFunctions.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

[[maybe_unused]] static const char kNamedMappingPosixRevision[] =
    "%Z% NamedMapping QX4001:01 NamedMapping_posix.cpp $Revision: 1.2 $";

namespace {

constexpr mode_t kOwnerOnly = 0600;
// A name can vanish between a failed exclusive create and the open that follows (a peer
// unlinked it); a few retries settle that race.
constexpr int kCreateAttempts = 4;

// mmap refuses a length of 0.
std::size_t ViewLength(std::size_t objectSize) {
    return objectSize == 0 ? 1 : objectSize;
}

std::string ObjectName(const char* name) {
    return std::string("/") + name;
}

// The size alone promises pages that a full /dev/shm cannot give: the first access to one of
// them would kill the process. Reserving them makes the shortage a plain error here.
int GiveSize(int fd, std::uint32_t size) {
    if (fchmod(fd, kOwnerOnly) != 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
        return errno;
    }
    return size == 0 ? 0 : posix_fallocate(fd, 0, static_cast<off_t>(size));
}

// Creates a new object of `size` bytes; -1 with errno set when that fails (EEXIST: taken).
int CreateExclusive(const std::string& objectName, std::uint32_t size) {
    const int fd = shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_EXCL, kOwnerOnly);
    if (fd < 0) {
        return -1;
    }
    // fchmod because the umask may have taken bits away: the object is exactly owner-only.
    if (const int error = GiveSize(fd, size); error != 0) {
        close(fd);
        shm_unlink(objectName.c_str()); // never leave a half-made object behind
        errno = error;
        return -1;
    }
    return fd;
}

constexpr off_t LockedByte(NamedMapping::Lock lock) {
    return lock == NamedMapping::Lock::Lifecycle ? 0 : 1;
}

// An open-file-description lock belongs to this handle alone, not to the process as a classic
// POSIX lock would, and goes when the handle is closed.
bool SetLock(int fd, NamedMapping::Lock lock, short type) {
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = LockedByte(lock);
    range.l_len = 1;
    return fcntl(fd, F_OFD_SETLK, &range) == 0;
}

void SleepOneMillisecond() {
    const timespec pause = {0, 1000000};
    nanosleep(&pause, nullptr);
}

} // namespace

bool NamedMapping::CreateOrJoin(const char* name, std::uint32_t size, bool& existed) {
    const std::string objectName = ObjectName(name);
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        int fd = CreateExclusive(objectName, size);
        existed = fd < 0 && errno == EEXIST;
        if (existed) {
            fd = shm_open(objectName.c_str(), O_RDWR, 0);
            if (fd < 0 && errno == ENOENT) {
                continue;
            }
        }
        if (fd < 0) {
            break;
        }
        // The object lives on by its name; the handle of this step is not needed afterwards.
        close(fd);
        return true;
    }
    lastError = errno;
    return false;
}

bool NamedMapping::Open(const char* name) {
    if (handle != kNoHandle) {
        close(static_cast<int>(handle));
    }
    openedName = name;
    const int fd = shm_open(ObjectName(name).c_str(), O_RDWR, 0);
    if (fd < 0) {
        lastError = errno;
        handle = kNoHandle;
        return false;
    }
    handle = fd;
    return true;
}

// An empty object (its creator died before giving it a size) still gets a view, of size 0,
// so that the caller can see and refuse it; the view is never touched.
bool NamedMapping::Map() {
    struct stat status {};
    if (handle == kNoHandle || fstat(static_cast<int>(handle), &status) != 0) {
        lastError = handle == kNoHandle ? EBADF : errno;
        address = nullptr;
        mappedSize = 0;
        return false;
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    void* view = mmap(nullptr, ViewLength(size), PROT_READ | PROT_WRITE, MAP_SHARED,
                      static_cast<int>(handle), 0);
    if (view == MAP_FAILED) {
        lastError = errno;
        address = nullptr;
        mappedSize = 0;
        return false;
    }
    address = view;
    mappedSize = size;
    guard.Watch(view, ViewLength(size));
    return true;
}

// One fstat on the handle kept since Open: cheap enough for every frame.
std::size_t NamedMapping::CurrentSize() {
    struct stat status {};
    if (address == nullptr || handle == kNoHandle) {
        return 0;
    }
    if (fstat(static_cast<int>(handle), &status) != 0) {
        lastError = errno;
        return 0;
    }
    return static_cast<std::size_t>(status.st_size);
}

bool NamedMapping::NameRemoved() {
    struct stat status {};
    if (address == nullptr || handle == kNoHandle ||
        fstat(static_cast<int>(handle), &status) != 0) {
        return false;
    }
    return status.st_nlink == 0;
}

void NamedMapping::ReleaseView() {
    guard.Release();
    if (address != nullptr) {
        munmap(address, ViewLength(mappedSize));
    }
    address = nullptr;
    mappedSize = 0;
}

void NamedMapping::UnmapAndClose() {
    ReleaseView();
    if (handle != kNoHandle) {
        close(static_cast<int>(handle));
    }
    handle = kNoHandle;
}

bool NamedMapping::Remap() {
    ReleaseView();
    return Map();
}

// Without an opened object there is nothing to ask about, and nothing may be taken as free.
NamedMapping::Holders NamedMapping::OtherHolders() {
    if (handle == kNoHandle || FileHeldByOthers(static_cast<int>(handle), address)) {
        return Holders::Others;
    }
    return Holders::None;
}

// Polled rather than waited for in the kernel, so that a holder that never lets go (a stopped
// process) costs waitMs and no more.
bool NamedMapping::TakeLock(Lock lock, std::uint32_t waitMs) {
    const int fd = static_cast<int>(handle);
    for (std::uint32_t waited = 0;; ++waited) {
        if (handle != kNoHandle && SetLock(fd, lock, F_WRLCK)) {
            return true;
        }
        const int error = handle == kNoHandle ? EBADF : errno;
        const bool taken = error == EAGAIN || error == EACCES;
        if (!taken || waited >= waitMs) {
            lastError = taken ? 0 : error;
            return false;
        }
        SleepOneMillisecond();
    }
}

void NamedMapping::ReleaseLock(Lock lock) {
    if (handle != kNoHandle) {
        SetLock(static_cast<int>(handle), lock, F_UNLCK);
    }
}

void NamedMapping::RemoveName() {
    struct stat held {};
    struct stat named {};
    if (handle == kNoHandle || fstat(static_cast<int>(handle), &held) != 0) {
        return;
    }
    const std::string objectName = ObjectName(openedName.c_str());
    const int fd = shm_open(objectName.c_str(), O_RDONLY, 0);
    if (fd < 0) {
        return;
    }
    const bool same =
        fstat(fd, &named) == 0 && named.st_dev == held.st_dev && named.st_ino == held.st_ino;
    close(fd);
    if (same) {
        shm_unlink(objectName.c_str());
    }
}

int NamedMapping::Unlink(const char* name) {
    return shm_unlink(ObjectName(name).c_str()) == 0 ? 0 : errno;
}

bool NamedMapping::NamesOutliveHolders() {
    return true;
}

void NamedMapping::ErrorText(int code, char* buffer, std::size_t capacity) {
    const int size = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
    CopyBounded(buffer, std::strerror(code), size);
}
