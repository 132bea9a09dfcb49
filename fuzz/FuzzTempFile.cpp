#include "fuzz/FuzzTempFile.h"

#include "tests/support/UniqueName.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace {
std::filesystem::path TempFolder() {
    std::error_code error;
    const std::filesystem::path inMemory = "/dev/shm";
    if (std::filesystem::is_directory(inMemory, error)) {
        return inMemory;
    }
    return std::filesystem::temp_directory_path(error);
}
} // namespace

FuzzTempFile::FuzzTempFile(const char* stem) {
    path = (TempFolder() / (UniqueName(stem) + ".tmp")).string();
}

FuzzTempFile::~FuzzTempFile() {
    std::error_code error;
    std::filesystem::remove(path, error);
}

bool FuzzTempFile::Write(const std::string& content) {
    std::ofstream stream(path, std::ios::binary | std::ios::trunc);
    stream.write(content.data(), static_cast<std::streamsize>(content.size()));
    return static_cast<bool>(stream);
}
