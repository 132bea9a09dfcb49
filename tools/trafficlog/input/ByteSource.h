// Where the converters' bytes come from, kept apart from what the bytes mean: a file or
// standard input, and the layers that unpack a published archive on top of it (gzip, a tar
// member). A converter reads lines from whatever stack InputStream builds and never learns which
// container the recording came in.
#pragma once

#include "error_report/QX_ErrorReport.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

class ByteSource : public QX_ErrorReport {
public:
    virtual ~ByteSource() = default;
    // Up to `size` bytes into `buffer`: the count, 0 at the end, -1 on a failure (the error
    // text says why). After the end or a failure every call gives the same.
    virtual int Read(unsigned char* buffer, int size) = 0;
    // The next bytes where they already lie, or read into `spare` (of `size` bytes) where they
    // do not: the count as for Read. `*bytes` stays valid until the next call.
    virtual int Borrow(const unsigned char** bytes, unsigned char* spare, int size) {
        *bytes = spare;
        return Read(spare, size);
    }
};

// A file, or standard input for the name "-", read as bytes: a pipe's as they come, so that a
// line written is read at once; a stop requested (platform/ProcessControl.h) ends a wait for
// more as a failure.
class FileByteSource : public ByteSource {
public:
    FileByteSource() = default;
    ~FileByteSource() override;
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    bool Open(const char* path);
    int Read(unsigned char* buffer, int size) override;
    std::int64_t BytesRead() const { return bytesRead; }
    // The size of a regular file, else 0 (standard input, a pipe).
    std::int64_t Size() const { return size; }

private:
    std::FILE* file = nullptr;
    bool ownsFile = false;
    std::int64_t bytesRead = 0;
    std::int64_t size = 0;
    bool finished = false; // at the end, or failed: every read gives finalCount
    int finalCount = 0;
};

// Bytes that lie in memory already, lent in place: a recording held whole, read as a file would
// be (tests, fuzzing). The bytes must outlive the source.
class MemoryByteSource : public ByteSource {
public:
    MemoryByteSource(const void* bytes, std::size_t size)
        : bytes(static_cast<const unsigned char*>(bytes)), size(size) {}

    int Read(unsigned char* buffer, int wanted) override;
    int Borrow(const unsigned char** lent, unsigned char* spare, int wanted) override;
    std::int64_t BytesRead() const { return static_cast<std::int64_t>(position); }

private:
    const unsigned char* bytes;
    std::size_t size;
    std::size_t position = 0;
};

// The recording members of a tar archive, one after another: reads the current member.
class TarSource : public ByteSource {
public:
    enum class Step { Found, End, Failed };
    // Passes over the rest of the current member to the next recording member; Failed leaves
    // the reason in the error text.
    virtual Step NextMember() = 0;
    // The current member's name in the archive.
    virtual const char* MemberName() const = 0;
};

// The unpacking layer for a tar archive, at its first recording member, or null (with the
// reason in `report`) where the archive cannot be read: one source file for systems with
// libarchive, one for those without.
std::unique_ptr<TarSource> OpenTarMember(ByteSource& archive, QX_ErrorReport& report);
