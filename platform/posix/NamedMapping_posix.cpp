// POSIX shared memory objects behind NamedMapping: the name "X" is the object "/X".

#include "platform/NamedMapping.h"

#include "text_functions/TextFunctions.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

[[maybe_unused]] static const char kNamedMappingPosixRevision[] =
    "%Z% NamedMapping QX4001:01 NamedMapping_posix.cpp $Revision: 1.1 $";

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

// Creates a new object of `size` bytes; -1 with errno set when that fails (EEXIST: taken).
int CreateExclusive(const std::string& objectName, std::uint32_t size) {
    const int fd = shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_EXCL, kOwnerOnly);
    if (fd < 0) {
        return -1;
    }
    // The umask may have taken bits away from the mode; the object is exactly owner-only.
    if (fchmod(fd, kOwnerOnly) != 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
        const int error = errno;
        close(fd);
        shm_unlink(objectName.c_str()); // never leave a half-made object behind
        errno = error;
        return -1;
    }
    return fd;
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

void NamedMapping::UnmapAndClose() {
    if (address != nullptr) {
        munmap(address, ViewLength(mappedSize));
    }
    if (handle != kNoHandle) {
        close(static_cast<int>(handle));
    }
    address = nullptr;
    mappedSize = 0;
    handle = kNoHandle;
}

int NamedMapping::Unlink(const char* name) {
    return shm_unlink(ObjectName(name).c_str()) == 0 ? 0 : errno;
}

void NamedMapping::ErrorText(int code, char* buffer, std::size_t capacity) {
    const int size = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
    CopyBounded(buffer, std::strerror(code), size);
}
