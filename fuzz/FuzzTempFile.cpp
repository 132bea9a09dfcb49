#include "fuzz/FuzzTempFile.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

namespace {

// Several fuzzing processes may run side by side: the name carries a random part per process
// and a serial number per object.
std::string UniqueSuffix() {
    static const std::string processPart = [] {
        std::random_device random;
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        return std::to_string(random()) + "_" + std::to_string(now % 1000000007);
    }();
    static int serial = 0;
    return processPart + "_" + std::to_string(serial++);
}

} // namespace

FuzzTempFile::FuzzTempFile(const char* stem) {
    std::error_code error;
    const auto folder = std::filesystem::temp_directory_path(error);
    path = (folder / (std::string(stem) + "_" + UniqueSuffix() + ".tmp")).string();
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
