// The second process of NamedMappingWin32Test: NamedMappingPeer NAME SIZE
// Joins the mapping NAME as a peer would (create-or-join, then open and map), checks that the
// first process's greeting is there, answers it and exits 0; any failure exits with its step.

#include "platform/NamedMapping.h"

#include <cstdlib>
#include <cstring>

namespace {
constexpr char kGreeting[] = "from the creator";
constexpr char kAnswer[] = "from the peer";
constexpr int kAnswerOffset = 64;

enum ExitCode {
    kJoined = 0,
    kBadArguments = 10,
    kNotJoined,
    kNotExisting,
    kNotMapped,
    kNoGreeting
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
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
    mapping.UnmapAndClose();
    return kJoined;
}
