#include "fuzz/FuzzTempFile.h"

#include "tests/support/UniqueName.h"

#include <filesystem>
#include <fstream>
#include <system_error>

FuzzTempFile::FuzzTempFile(const char* stem) {
    std::error_code error;
    const auto folder = std::filesystem::temp_directory_path(error);
    path = (folder / (UniqueName(stem) + ".tmp")).string();
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
