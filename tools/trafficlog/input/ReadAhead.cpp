#include "tools/trafficlog/input/ReadAhead.h"

ReadAhead::ReadAhead(ByteSource& source, const FileByteSource& file) : source(source), file(file) {
    for (Block& block : ring) {
        block.bytes = std::make_unique<unsigned char[]>(kBlockSize);
    }
    thread = std::thread([this] { Run(); });
}

ReadAhead::~ReadAhead() {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_one();
    thread.join();
}

void ReadAhead::Run() {
    int lastRead = kReadSize;
    while (lastRead == kReadSize && WaitForRoom()) {
        lastRead = Fill(ring[writerAt]);
        Publish(lastRead);
    }
}

bool ReadAhead::WaitForRoom() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return stopping || filled < kBlocks; });
    return !stopping;
}

// The block is the thread's alone until Publish hands it over.
int ReadAhead::Fill(Block& block) {
    block.length = 0;
    while (block.length + kReadSize <= kBlockSize) {
        const int got = source.Read(block.bytes.get() + block.length, kReadSize);
        if (got <= 0) {
            return got;
        }
        block.length += got;
    }
    return kReadSize;
}

void ReadAhead::Publish(int lastRead) {
    Block& block = ring[writerAt];
    std::string reason;
    if (lastRead < 0) {
        reason = source.FullErrorText();
    }
    {
        const std::lock_guard<std::mutex> lock(mutex);
        block.fileBytes = file.BytesRead();
        if (block.length > 0) {
            writerAt = (writerAt + 1) % kBlocks;
            ++filled;
        }
        if (lastRead != kReadSize) {
            finished = true;
            fileBytesAtEnd = file.BytesRead();
            failed = lastRead < 0;
            failure = std::move(reason);
        }
    }
    changed.notify_one();
}

int ReadAhead::Take(const unsigned char** bytes) {
    std::unique_lock<std::mutex> lock(mutex);
    if (holding) {
        holding = false;
        readerAt = (readerAt + 1) % kBlocks;
        --filled;
        changed.notify_one();
    }
    changed.wait(lock, [this] { return filled > 0 || finished; });
    if (filled == 0) {
        fileBytesTaken = fileBytesAtEnd;
        return failed ? -1 : 0;
    }
    const Block& block = ring[readerAt];
    holding = true;
    fileBytesTaken = block.fileBytes;
    *bytes = block.bytes.get();
    return block.length;
}
