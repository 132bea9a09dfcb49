#include "tools/trafficlog/input/PhysicalLineReader.h"

#include <cstring>

bool PhysicalLineReader::Open(const char* path) {
    if (!file.Open(path)) {
        SetErrorText(file.FullErrorText().c_str());
        return false;
    }
    source = &file;
    fileSize = file.Size();
    return true;
}

void PhysicalLineReader::Attach(ByteSource& bytes) {
    source = &bytes;
    fileSize = 0;
}

bool PhysicalLineReader::Next() {
    if (source == nullptr || readFailed) {
        return false;
    }
    length = 0;
    head[0] = '\0';
    lineStart = nullptr;
    lastByte = 0;
    bool sawAny = false;
    bool lineEnded = false;
    while (!lineEnded) {
        if (chunkPosition == chunkLength && !Refill()) {
            break;
        }
        sawAny = true;
        const unsigned char* start = chunk + chunkPosition;
        const int available = chunkLength - chunkPosition;
        const auto* feed = static_cast<const unsigned char*>(std::memchr(start, '\n', available));
        const int count = feed != nullptr ? static_cast<int>(feed - start) : available;
        // Nearly every line ends in the bytes at hand: it stays there until it is asked for.
        if (feed != nullptr && length == 0 && count < kHeadSize) {
            lineStart = reinterpret_cast<const char*>(start);
            length = count;
            bytesRead += count;
            lastByte = count > 0 ? start[count - 1] : 0;
        } else {
            Append(start, count);
        }
        chunkPosition += count;
        if (feed != nullptr) {
            ++chunkPosition;
            ++bytesRead;
            lineEnded = true;
        }
    }
    if (readFailed || !sawAny) {
        return false;
    }
    // A carriage return that ends the line is no part of it.
    if (lastByte == '\r') {
        --length;
        if (!InPlace() && length < kHeadSize - 1) {
            head[length] = '\0';
        }
    }
    ++lineNumber;
    return true;
}

char* PhysicalLineReader::FilledHead() const {
    if (InPlace()) {
        std::memcpy(head, lineStart, LineSize());
        head[length] = '\0';
        lineStart = nullptr;
    }
    return head;
}

void PhysicalLineReader::Append(const unsigned char* bytes, int count) {
    if (count == 0) {
        return;
    }
    const std::int64_t room = kHeadSize - 1 - length;
    if (room > 0) {
        const int kept = static_cast<int>(count < room ? count : room);
        std::memcpy(head + length, bytes, static_cast<std::size_t>(kept));
        head[length + kept] = '\0';
    }
    length += count;
    bytesRead += count;
    lastByte = bytes[count - 1];
}

bool PhysicalLineReader::Refill() {
    chunkPosition = 0;
    chunkLength = source->Borrow(&chunk, spare, kChunkSize);
    if (chunkLength < 0) {
        chunkLength = 0;
        readFailed = true;
        SetErrorText(source->FullErrorText().c_str());
        return false;
    }
    return chunkLength > 0;
}
