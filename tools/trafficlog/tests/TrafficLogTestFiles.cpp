#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <zlib.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
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

std::string GzipBytes(const std::string& text) {
    z_stream z = {};
    deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(text.size())) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

namespace {
constexpr std::size_t kTarBlock = 512;

void PutOctal(std::string& header, std::size_t offset, std::size_t width, std::uint64_t value) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*llo", static_cast<int>(width - 1),
                  static_cast<unsigned long long>(value));
    header.replace(offset, width - 1, digits);
}

std::string TarHeader(const TarMemberFile& member) {
    std::string header(kTarBlock, '\0');
    header.replace(0, member.name.size(), member.name);
    PutOctal(header, 100, 8, 0644);
    PutOctal(header, 108, 8, 1000);
    PutOctal(header, 116, 8, 1000);
    PutOctal(header, 124, 12, member.content.size());
    PutOctal(header, 136, 12, 1700000000);
    header[156] = '0';
    header.replace(257, 8,
                   std::string("ustar\0"
                               "00",
                               8));
    // The checksum is taken with its own field as spaces.
    header.replace(148, 8, "        ");
    unsigned sum = 0;
    for (const char c : header) {
        sum += static_cast<unsigned char>(c);
    }
    char checksum[8];
    std::snprintf(checksum, sizeof checksum, "%06o", sum);
    header.replace(148, 7, std::string(checksum, 6) + std::string(1, '\0'));
    return header;
}
} // namespace

std::string TarBytes(const std::vector<TarMemberFile>& members) {
    std::string archive;
    for (const TarMemberFile& member : members) {
        archive += TarHeader(member);
        archive += member.content;
        archive.append((kTarBlock - member.content.size() % kTarBlock) % kTarBlock, '\0');
    }
    archive.append(2 * kTarBlock, '\0');
    return archive;
}
