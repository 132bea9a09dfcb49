// Any bytes as an input of `trafficlog convert`: sniffed, unpacked through gzip and tar layers
// as deep as they go, read in pieces of every size, member after member. Every read must give a
// count within the piece asked for, stay at the end or the failure once there, and never take
// more of the input than it holds. The input is read from memory: the unpacking is what is
// fuzzed, not the file system.
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "tools/trafficlog/input/ByteSource.h"
#include "tools/trafficlog/input/InputStream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

// A gzip bomb inflates without end; this much shows the reading holds.
constexpr std::int64_t kMaxBytesRead = 1 << 24;
constexpr int kMaxMembers = 64;

void ReadMember(InputStream& stream, const MemoryByteSource& file, int piece,
                std::int64_t fileSize) {
    std::vector<unsigned char> buffer(static_cast<std::size_t>(piece) + 1, 0xA5);
    std::int64_t total = 0;
    int got;
    while ((got = stream.Read(buffer.data(), piece)) > 0 && total < kMaxBytesRead) {
        FUZZ_CHECK(got <= piece);
        FUZZ_CHECK(buffer[static_cast<std::size_t>(piece)] == 0xA5);
        total += got;
        FUZZ_CHECK(file.BytesRead() <= fileSize);
    }
    if (got <= 0) {
        FUZZ_CHECK(got == 0 || got == -1);
        FUZZ_CHECK(stream.Read(buffer.data(), piece) == got);
        FUZZ_CHECK(got == 0 || !stream.FullErrorText().empty());
    }
}

} // namespace

// Input: the size of the pieces read (1 to 256), then the file's bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const int piece = input.TakeByte() + 1;
    const std::string bytes = input.TakeRest();
    MemoryByteSource file(bytes.data(), bytes.size());
    InputStream stream;
    if (!stream.Open(file, "fuzz_input")) {
        FUZZ_CHECK(!stream.FullErrorText().empty());
        return 0;
    }
    const auto fileSize = static_cast<std::int64_t>(bytes.size());
    ReadMember(stream, file, piece, fileSize);
    for (int member = 0; member < kMaxMembers; ++member) {
        const TarSource::Step step = stream.NextMember("fuzz_input");
        if (step != TarSource::Step::Found) {
            FUZZ_CHECK(step == TarSource::Step::End || !stream.FullErrorText().empty());
            break;
        }
        FUZZ_CHECK(stream.MemberName() != nullptr);
        ReadMember(stream, file, piece, fileSize);
    }
    return 0;
}
