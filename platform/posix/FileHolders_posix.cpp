// Linux's account of who holds a file: the links in /proc/PID/fd name each open file, the lines
// of /proc/PID/maps each mapping with the device and inode of its file. Processes that the
// system keeps from view (another user's, a more privileged one's) are settled by a lease.

#include "platform/posix/FileHolders.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

[[maybe_unused]] static const char kFileHoldersPosixRevision[] =
    "%Z% NamedMapping QX4001:07 FileHolders_posix.cpp $Revision: 1.1 $";

namespace {

constexpr char kRemovedMark[] = " (deleted)";

// The file looked for, and the handle and mapping of this process that do not count.
struct Target {
    struct stat status {};
    std::string name;       // the last component of its path, as the links show it
    std::string ownProcess; // this process's number, as /proc names it
    int ownFd = -1;
    unsigned long ownView = 0;
};

enum class Finding { Clear, Holds, Hidden };

// A process that has ended holds nothing.
Finding Refused(int error) {
    return error == ENOENT || error == ESRCH ? Finding::Clear : Finding::Hidden;
}

// Empty when the link cannot be read; `error` then tells why.
std::string ReadLink(const std::string& path, int& error) {
    char buffer[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), buffer, sizeof buffer);
    error = length < 0 ? errno : 0;
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) {
        return "";
    }
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::string ReadLink(const std::string& path) {
    int error = 0;
    return ReadLink(path, error);
}

// The last component of a link to a file; empty for a link to anything else (a socket, a pipe).
std::string LinkedName(std::string link) {
    if (link.empty() || link[0] != '/') {
        return "";
    }
    if (link.ends_with(kRemovedMark)) {
        link.resize(link.size() - std::strlen(kRemovedMark));
    }
    return link.substr(link.rfind('/') + 1);
}

bool IsProcessNumber(const char* name) {
    for (const char* digit = name; *digit != '\0'; ++digit) {
        if (*digit < '0' || *digit > '9') {
            return false;
        }
    }
    return *name != '\0';
}

// Only a link whose name matches is followed to its file: following every link could wait on a
// file system that does not answer.
Finding ScanHandles(const std::string& process, const Target& target, bool self) {
    const std::string folder = "/proc/" + process + "/fd/";
    DIR* handles = opendir(folder.c_str());
    if (handles == nullptr) {
        return Refused(errno);
    }
    Finding finding = Finding::Clear;
    for (dirent* entry; finding == Finding::Clear && (entry = readdir(handles)) != nullptr;) {
        if (!IsProcessNumber(entry->d_name) || (self && std::atoi(entry->d_name) == target.ownFd)) {
            continue;
        }
        const std::string path = folder + entry->d_name;
        int error = 0;
        const std::string name = LinkedName(ReadLink(path, error));
        struct stat status {};
        if (error != 0) {
            finding = Refused(error) == Finding::Hidden ? Finding::Hidden : finding;
        } else if (name == target.name && stat(path.c_str(), &status) == 0 &&
                   status.st_dev == target.status.st_dev && status.st_ino == target.status.st_ino) {
            finding = Finding::Holds;
        }
    }
    closedir(handles);
    return finding;
}

// A mapping keeps its file after the handle it was made through is closed.
Finding ScanMappings(const std::string& process, const Target& target, bool self) {
    std::FILE* maps = std::fopen(("/proc/" + process + "/maps").c_str(), "re");
    if (maps == nullptr) {
        return Refused(errno);
    }
    const unsigned wantedMajor = major(target.status.st_dev);
    const unsigned wantedMinor = minor(target.status.st_dev);
    Finding finding = Finding::Clear;
    char* line = nullptr;
    std::size_t capacity = 0;
    while (finding == Finding::Clear && getline(&line, &capacity, maps) > 0) {
        unsigned long start = 0;
        unsigned deviceMajor = 0;
        unsigned deviceMinor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(line, "%lx-%*x %*s %*x %x:%x %llu", &start, &deviceMajor, &deviceMinor,
                        &inode) == 4 &&
            inode == target.status.st_ino && deviceMajor == wantedMajor &&
            deviceMinor == wantedMinor && !(self && start == target.ownView)) {
            finding = Finding::Holds;
        }
    }
    std::free(line);
    std::fclose(maps);
    return finding;
}

enum class Lease { Granted, Refused, Unavailable };

// The system's own answer, which /proc cannot always give: a write lease is granted only while no
// other open of the file exists, the handles that mappings keep included, and is refused (EAGAIN)
// while one does. It needs a file of this process's owner, or privilege. It is given back at
// once; a peer that opens the file meanwhile waits that long. The break of the lease is told
// with a signal ignored by default, not SIGIO, which would end this process.
Lease TryLease(int fd) {
    if (fcntl(fd, F_SETSIG, SIGURG) != 0) {
        return Lease::Unavailable;
    }
    if (fcntl(fd, F_SETLEASE, F_WRLCK) != 0) {
        return errno == EAGAIN ? Lease::Refused : Lease::Unavailable;
    }
    fcntl(fd, F_SETLEASE, F_UNLCK);
    return Lease::Granted;
}

Finding FindIn(const std::string& process, const Target& target) {
    const bool self = process == target.ownProcess;
    const Finding handles = ScanHandles(process, target, self);
    if (handles == Finding::Holds) {
        return handles;
    }
    const Finding mappings = ScanMappings(process, target, self);
    return mappings == Finding::Clear ? handles : mappings;
}

} // namespace

// A lease refused settles it at once. A lease granted leaves readers to be found (a file opened
// for reading only does not stand in its way); the processes kept from view are then known to
// hold it for reading at most.
bool FileHeldByOthers(int fd, const void* view) {
    Target target;
    const Lease lease = TryLease(fd);
    if (lease == Lease::Refused || fstat(fd, &target.status) != 0) {
        return true;
    }
    target.name = LinkedName(ReadLink("/proc/self/fd/" + std::to_string(fd)));
    target.ownProcess = ReadLink("/proc/self");
    target.ownFd = fd;
    target.ownView = reinterpret_cast<unsigned long>(view);
    DIR* processes = target.name.empty() || target.ownProcess.empty() ? nullptr : opendir("/proc");
    if (processes == nullptr) {
        return true;
    }
    bool held = false;
    bool hidden = false;
    for (dirent* entry; !held && (entry = readdir(processes)) != nullptr;) {
        const Finding finding =
            IsProcessNumber(entry->d_name) ? FindIn(entry->d_name, target) : Finding::Clear;
        held = finding == Finding::Holds;
        hidden = hidden || finding == Finding::Hidden;
    }
    closedir(processes);
    return held || (hidden && lease != Lease::Granted);
}
