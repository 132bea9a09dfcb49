// Reads a byte source ahead of its reader, on a thread of its own: inflating a recording then
// runs on one core while the conversion works through the bytes already inflated on the other.
// The bytes travel in a few large blocks that go round a bounded ring, so that the two threads
// meet once per block, never per line, and memory stays what the ring holds.
#pragma once

#include "tools/trafficlog/input/ByteSource.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class ReadAhead {
public:
    // Each read of the source asks for this many bytes, as a reader without the thread would,
    // so that the source is read in the same steps and fails at the same byte.
    static constexpr int kReadSize = 1 << 16;
    static constexpr int kBlockSize = 16 * kReadSize;
    static constexpr int kBlocks = 4;

    // Starts reading `source`, which unpacks `file`; both must outlive this object and are
    // used by the thread alone from here on.
    ReadAhead(ByteSource& source, const FileByteSource& file);
    // Stops the thread (after the read it is in, if any).
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The next bytes in order, valid until the next call: the count, 0 at the end, -1 after a
    // failure of the source (FailureText says why).
    int Take(const unsigned char** bytes);
    // How far through its file the source was when it gave the bytes taken last.
    std::int64_t FileBytes() const { return fileBytesTaken; }
    const std::string& FailureText() const { return failure; }

private:
    struct Block {
        std::unique_ptr<unsigned char[]> bytes;
        int length = 0;
        std::int64_t fileBytes = 0;
    };

    void Run();
    // Waits for a free block; false when the reader has gone.
    bool WaitForRoom();
    // Reads the source into the block until it cannot hold another read: the count of the last
    // read (0 at the end, -1 on a failure), or kReadSize while there is more.
    int Fill(Block& block);
    void Publish(int lastRead);

    ByteSource& source;
    const FileByteSource& file;
    Block ring[kBlocks];
    std::mutex mutex;
    std::condition_variable changed;
    int filled = 0;   // blocks the thread has handed over and the reader has not given back
    int readerAt = 0; // the block the reader takes next
    int writerAt = 0; // the block the thread fills next
    bool holding = false;
    bool finished = false;
    bool failed = false;
    bool stopping = false;
    std::int64_t fileBytesAtEnd = 0;
    std::int64_t fileBytesTaken = 0;
    std::string failure;
    std::thread thread;
};
