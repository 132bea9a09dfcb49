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

int FileByteSource::Read(unsigned char* buffer, int wanted) {
    if (file == nullptr) {
        return 0;
    }
    const std::size_t got = std::fread(buffer, 1, static_cast<std::size_t>(wanted), file);
    if (got == 0 && std::ferror(file)) {
        ReportError("FileByteSource::Read", std::strerror(errno));
        return -1;
    }
    bytesRead += static_cast<std::int64_t>(got);
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
