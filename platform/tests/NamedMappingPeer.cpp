// The second process of NamedMappingWin32Test: NamedMappingPeer NAME SIZE [hold]
// Joins the mapping NAME as a peer would (create-or-join, then open and map), checks that the
// first process's greeting is there, answers it and exits 0; any failure exits with its step.
// With "hold" it keeps the mapping after answering until the first process lets it go (its
// release text at kReleaseOffset), a minute at most.

#include "platform/NamedMapping.h"

#include <cstdlib>
#include <cstring>
#include <windows.h>

namespace {
constexpr char kGreeting[] = "from the creator";
constexpr char kAnswer[] = "from the peer";
constexpr int kAnswerOffset = 64;
constexpr char kRelease[] = "let go";
constexpr int kReleaseOffset = 128;
constexpr int kHoldMs = 60000;
constexpr int kPollMs = 10;

enum ExitCode {
    kJoined = 0,
    kBadArguments = 10,
    kNotJoined,
    kNotExisting,
    kNotMapped,
    kNoGreeting,
    kNotReleased
};

bool Released(const char* bytes) {
    for (int waited = 0; waited < kHoldMs; waited += kPollMs) {
        if (std::strcmp(bytes + kReleaseOffset, kRelease) == 0) {
            return true;
        }
        Sleep(kPollMs);
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const bool hold = argc == 4 && std::strcmp(argv[3], "hold") == 0;
    if (argc != 3 && !hold) {
        return kBadArguments;
    }
    const auto size = static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10));
    NamedMapping mapping;
    bool existed = false;
    if (!mapping.CreateOrJoin(argv[1], size, existed)) {
        return kNotJoined;
    }
    if (!existed) {
        return kNotExisting;
    }
    if (!mapping.Open(argv[1]) || !mapping.Map() || mapping.MappedSize() < size) {
        return kNotMapped;
    }
    char* bytes = static_cast<char*>(mapping.Address());
    if (std::strcmp(bytes, kGreeting) != 0) {
        return kNoGreeting;
    }
    std::memcpy(bytes + kAnswerOffset, kAnswer, sizeof kAnswer);
    if (hold && !Released(bytes)) {
        return kNotReleased;
    }
    mapping.UnmapAndClose();
    return kJoined;
}
