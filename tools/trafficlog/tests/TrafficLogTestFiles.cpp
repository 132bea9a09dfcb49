#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace {
std::atomic<int> counter{0};

std::string UniqueStem() {
    static const unsigned processTag = std::random_device{}();
    return "trafficlog-test-" + std::to_string(processTag) + "-" + std::to_string(counter++);
}
} // namespace

TempFile::TempFile(const char* suffix)
    : path((std::filesystem::temp_directory_path() / (UniqueStem() + suffix)).string()) {}

TempFile::~TempFile() {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

void TempFile::Write(const std::string& text) const {
    std::ofstream(path, std::ios::binary) << text;
}

std::string TempFile::Read() const {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
