#pragma once
// Opening a file for reading only when it is a regular file, and without ever waiting: a FIFO
// without a writer blocks an ordinary open, one whose writer stalls blocks every read, and a
// device or a pipe can neither be read to its end nor rewound. Such a file is refused at once.

#include <cstdint>
#include <cstdio>

inline constexpr char kRegularFileHeaderRevision[] =
    "%Z% Corvane QX4012:01 RegularFile.h $Revision: 1.1 $";

// The reason for a refusal that is not a system error of its own.
inline constexpr int kNotARegularFile = -1;

// The file opened for reading in binary mode, or null with `error` set: the C library's error
// number of the failed step (EISDIR for a folder), or kNotARegularFile.
std::FILE* OpenRegularFileForReading(const char* path, int& error);

// Which file a path names now, and how it stands: the file itself (device and file number) and
// its size and modification time. Two looks that differ in any of these found another file, or
// one that was written in between. `exists` is false when nothing can be looked up at the path.
struct FileIdentity {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // in the system's own units

    bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentifyFile(const char* path);
