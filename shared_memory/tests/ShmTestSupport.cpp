#include "shared_memory/tests/ShmTestSupport.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>

RawBlock::RawBlock(const char* name, std::uint32_t size) {
    bool existed = false;
    exists = mapping.CreateOrJoin(name, size, existed);
    if (exists && mapping.Open(name)) {
        mapping.Map();
    }
}

RawBlock::~RawBlock() {
    mapping.UnmapAndClose();
}

void RawBlock::LeaveBehind() {
#ifndef _WIN32
    mapping.UnmapAndClose();
#endif
}

std::size_t MappedSizeFor(std::size_t size) {
#ifdef _WIN32
    constexpr std::size_t kPage = 4096;
#else
    constexpr std::size_t kPage = 1;
#endif
    return (size + kPage - 1) / kPage * kPage;
}

bool BlockNameExists(const char* name) {
    NamedMapping probe;
    const bool opened = probe.Open(name);
    probe.UnmapAndClose();
    return opened;
}

// Windows takes a backslash as the separator of a namespace, and there is none of this name;
// POSIX allows no slash after the first.
const char* UnusableMappingName() {
#ifdef _WIN32
    return "NoSuchNamespace\\Corvane";
#else
    return "Corvane/no/such/place";
#endif
}

bool MeetAtBarrier(const char* barrierName) {
    NamedMapping barrier;
    if (!barrier.Open(barrierName) || !barrier.Map()) {
        return false;
    }
    std::atomic_ref<std::int32_t> arrived(*static_cast<std::int32_t*>(barrier.Address()));
    const std::int32_t expected = (arrived.fetch_add(1) / 2 + 1) * 2;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (arrived.load() < expected && std::chrono::steady_clock::now() < giveUp) {
    }
    const bool met = arrived.load() >= expected;
    barrier.UnmapAndClose();
    return met;
}

bool RunPeer(const std::string& arguments) {
    std::string command = std::string("\"") + SHM_PEER_PATH + "\" " + arguments;
#ifdef _WIN32
    // cmd.exe drops the first and the last quote of a command with more than two; a pair
    // around the whole command keeps those within it.
    command = "\"" + command + "\"";
#endif
    return std::system(command.c_str()) == 0;
}
