// Reads a text file one physical line at a time in constant memory: the start of each line is
// kept (up to the buffer size), its full length and the bytes read so far are counted, so that
// an over-long line is seen as one line, not as the pieces a line reader would deliver.
#pragma once

#include "error_report/QX_ErrorReport.h"
#include "tools/trafficlog/input/ByteSource.h"

#include <cstdint>
#include <string_view>

class PhysicalLineReader : public QX_ErrorReport {
public:
    static constexpr int kHeadSize = 1024;

    PhysicalLineReader() = default;
    PhysicalLineReader(const PhysicalLineReader&) = delete;
    PhysicalLineReader& operator=(const PhysicalLineReader&) = delete;

    // Reads the file at `path` itself.
    bool Open(const char* path);
    // Reads from `source`, which must outlive the reading; FileSize is then 0.
    void Attach(ByteSource& source);
    // The next line, without its line feed and without a carriage return before it. False at
    // the end of the file or on a read error (ReadFailed tells which).
    bool Next();
    bool ReadFailed() const { return readFailed; }

    // At most kHeadSize-1 characters of the line, terminated.
    const char* Head() const { return FilledHead(); }
    char* Head() { return FilledHead(); }
    // The line itself while it is whole (HeadIsWhole), read where it lies when it can be: the
    // byte after it is a line end or a terminator, never a character of the line.
    std::string_view Line() const { return {InPlace() ? lineStart : head, LineSize()}; }
    // Characters of the whole line, line feed and carriage return not counted.
    std::int64_t Length() const { return length; }
    bool HeadIsWhole() const { return length < kHeadSize; }
    std::int64_t LineNumber() const { return lineNumber; }
    std::int64_t BytesRead() const { return bytesRead; }
    // Size of the file when it is a regular file, else 0.
    std::int64_t FileSize() const { return fileSize; }

private:
    static constexpr int kChunkSize = 1 << 16;

    // False at the end of the source or on a read error.
    bool Refill();
    void Append(const unsigned char* bytes, int count);
    bool InPlace() const { return lineStart != nullptr; }
    std::size_t LineSize() const { return static_cast<std::size_t>(length); }
    // Copies a line read in place into the head the first time it is asked for.
    char* FilledHead() const;

    FileByteSource file;
    ByteSource* source = nullptr;
    // The bytes at hand: where the source keeps them, or in `spare`.
    const unsigned char* chunk = nullptr;
    unsigned char spare[kChunkSize] = {};
    int chunkLength = 0;
    int chunkPosition = 0;
    // A line that lies whole in the bytes at hand is copied into the head only when asked for.
    mutable char head[kHeadSize] = {};
    mutable const char* lineStart = nullptr;
    std::int64_t length = 0;
    std::int64_t lineNumber = 0;
    std::int64_t bytesRead = 0;
    std::int64_t fileSize = 0;
    bool readFailed = false;
    unsigned char lastByte = 0;
};
