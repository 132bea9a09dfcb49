// Any bytes as an input of `trafficlog convert`: sniffed, unpacked through gzip and tar layers
// as deep as they go, read in pieces of every size, member after member. Every read must give a
// count within the piece asked for, stay at the end or the failure once there, and never count
// more of the file than it holds.
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzTempFile.h"
#include "tools/trafficlog/input/InputStream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

// A gzip bomb inflates without end; this much shows the reading holds.
constexpr std::int64_t kMaxBytesRead = 1 << 24;
constexpr int kMaxMembers = 64;

void ReadMember(InputStream& stream, int piece, std::int64_t fileSize) {
    std::vector<unsigned char> buffer(static_cast<std::size_t>(piece) + 1, 0xA5);
    std::int64_t total = 0;
    int got;
    while ((got = stream.Read(buffer.data(), piece)) > 0 && total < kMaxBytesRead) {
        FUZZ_CHECK(got <= piece);
        FUZZ_CHECK(buffer[static_cast<std::size_t>(piece)] == 0xA5);
        total += got;
        FUZZ_CHECK(stream.FileBytesRead() <= fileSize);
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
    FuzzTempFile file("fuzz_input");
    if (!file.Write(bytes)) {
        return 0;
    }
    InputStream stream;
    if (!stream.Open(file.Path())) {
        FUZZ_CHECK(!stream.FullErrorText().empty());
        return 0;
    }
    const auto fileSize = static_cast<std::int64_t>(bytes.size());
    ReadMember(stream, piece, fileSize);
    for (int member = 0; member < kMaxMembers; ++member) {
        const TarSource::Step step = stream.NextMember(file.Path());
        if (step != TarSource::Step::Found) {
            FUZZ_CHECK(step == TarSource::Step::End || !stream.FullErrorText().empty());
            break;
        }
        FUZZ_CHECK(stream.MemberName() != nullptr);
        ReadMember(stream, piece, fileSize);
    }
    return 0;
}
