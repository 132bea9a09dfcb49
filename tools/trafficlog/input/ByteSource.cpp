#include "tools/trafficlog/input/ByteSource.h"

#include "platform/ProcessControl.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

FileByteSource::~FileByteSource() {
    if (file != nullptr && ownsFile) {
        std::fclose(file);
    }
}

bool FileByteSource::Open(const char* path) {
    if (std::strcmp(path, "-") == 0) {
        UseBinaryStandardInput();
        file = stdin;
        return true;
    }
    // Binary mode: the byte count then matches the file size on every platform.
    file = std::fopen(path, "rb");
    if (file == nullptr) {
        ReportDetail("FileByteSource::Open", std::strerror(errno), path);
        return false;
    }
    ownsFile = true;
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) {
        const auto bytes = std::filesystem::file_size(path, error);
        size = error ? 0 : static_cast<std::int64_t>(bytes);
    }
    return true;
}

// A pipe's bytes are taken as they come, and a stop ends the wait for more: a writer that pauses
// would otherwise hold the reader (and a server feeding clients from it) in its read.
int FileByteSource::Read(unsigned char* buffer, int wanted) {
    if (file == nullptr || finished) {
        return finalCount;
    }
    const long got = ReadAsItComes(file, buffer, static_cast<std::size_t>(wanted));
    if (got <= 0) {
        finished = true;
        finalCount = got < 0 ? -1 : 0;
        if (got < 0) {
            ReportError("FileByteSource::Read",
                        StopRequested() ? "stopped by a signal" : std::strerror(errno));
        }
        return finalCount;
    }
    bytesRead += got;
    return static_cast<int>(got);
}

int MemoryByteSource::Borrow(const unsigned char** lent, unsigned char*, int wanted) {
    const std::size_t count =
        std::min(size - position, static_cast<std::size_t>(std::max(wanted, 0)));
    *lent = bytes + position;
    position += count;
    return static_cast<int>(count);
}

int MemoryByteSource::Read(unsigned char* buffer, int wanted) {
    const unsigned char* lent = nullptr;
    const int count = Borrow(&lent, buffer, wanted);
    if (count > 0) {
        std::memcpy(buffer, lent, static_cast<std::size_t>(count));
    }
    return count;
}
