#pragma once
// Opening a file for reading only when it is a regular file, and without ever waiting: a FIFO
// without a writer blocks an ordinary open, one whose writer stalls blocks every read, and a
// device or a pipe can neither be read to its end nor rewound. Such a file is refused at once,
// except by a reader that reads from the start to the end and says how long it may wait.

#include <cstddef>
#include <cstdint>
#include <cstdio>

inline constexpr char kRegularFileHeaderRevision[] =
    "%Z% Corvane QX4012:01 RegularFile.h $Revision: 1.3 $";

// The reason for a refusal that is not a system error of its own.
inline constexpr int kNotARegularFile = -1;

// The file opened for reading in binary mode, or null with `error` set: the C library's error
// number of the failed step (EISDIR for a folder), or kNotARegularFile. On Windows the file stays
// open to its writer and to a program that removes or renames it, as SharedReadFile's does.
std::FILE* OpenRegularFileForReading(const char* path, int& error);

// Creates (or empties) a file and opens it for writing in binary mode, so that readers may read
// it while it is written and it may be removed or renamed meanwhile (Windows refuses that to a
// file opened the ordinary way). Null with the C library's error number in `error`.
std::FILE* CreateSharedFileForWriting(const char* path, int& error);

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

// A regular file read at offsets of the reader's choosing, for a file another program is still
// writing. Opened as OpenRegularFileForReading opens (never waiting, regular files only), and
// shared with the writer and with a program that removes or renames the file. Windows (and Wine
// always) refuses to rename another file over the name of a file that is open anywhere, so a
// reader that follows a name opens the file for each look and closes it between looks.
class SharedReadFile {
public:
    SharedReadFile() = default;
    ~SharedReadFile() { Close(); }
    SharedReadFile(const SharedReadFile&) = delete;
    SharedReadFile& operator=(const SharedReadFile&) = delete;

    // False with `error` set as OpenRegularFileForReading sets it; a file open before is closed.
    bool Open(const char* path, int& error);
    void Close();
    bool IsOpen() const { return handle != kNoHandle; }
    // The size the file has now; false with the C library's error number.
    bool Size(std::uint64_t& size, int& error) const;
    // Up to `size` bytes from `offset` on: the count read (0 at or beyond the end), or -1 with
    // the C library's error number in `error`.
    std::int64_t ReadAt(std::uint64_t offset, char* buffer, std::size_t size, int& error) const;
    // The open file's identity (whatever name it has now); `exists` false when it is unknown.
    FileIdentity Identity() const;

private:
    static constexpr std::intptr_t kNoHandle = -1;
    std::intptr_t handle = kNoHandle;
};

// A file read once from its start to its end: a regular file, or, where the caller takes them, a
// FIFO or a pipe (`--aircraft-db <(zcat ...)`) whose writer may take its time. Opening never
// waits, and a read of a FIFO or a pipe waits for its bytes no longer than the caller says, so
// that the caller can look for a stop request between waits. On Windows a pipe is a named or
// an anonymous pipe; a device (CON, NUL) is refused as a file that is no regular file.
class SequentialReadFile {
public:
    // What Read returns when nothing came within the time it could wait.
    static constexpr std::int64_t kNothingYet = -2;

    SequentialReadFile() = default;
    ~SequentialReadFile() { Close(); }
    SequentialReadFile(const SequentialReadFile&) = delete;
    SequentialReadFile& operator=(const SequentialReadFile&) = delete;

    // False with `error` set as OpenRegularFileForReading sets it, but a FIFO or a pipe opens
    // when `streams` is true. A file open before is closed.
    bool Open(const char* path, bool streams, int& error);
    void Close();
    bool IsRegular() const { return regular; }
    // The next bytes, up to `size`: the count, 0 at the end (a FIFO's or pipe's once its
    // writers have gone), kNothingYet when a FIFO or pipe gave nothing within `waitMs`, or -1
    // with the C library's error number in `error`. A regular file never waits.
    std::int64_t Read(char* buffer, std::size_t size, int waitMs, int& error);

private:
    static constexpr std::intptr_t kNoHandle = -1;
    std::intptr_t handle = kNoHandle;
    bool regular = false;
};
