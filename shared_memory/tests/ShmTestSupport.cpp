#include "shared_memory/tests/ShmTestSupport.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>

namespace {

std::string ProcessTag() {
    static const std::string tag = [] {
        std::random_device random;
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        return std::to_string(random()) + "_" + std::to_string(now % 1000000007);
    }();
    return tag;
}

} // namespace

TestMappingName::TestMappingName() {
    static std::atomic<int> serial{0};
    name = "CorvaneTest_" + ProcessTag() + "_" + std::to_string(serial++);
}

TestMappingName::~TestMappingName() {
    NamedMapping::Unlink(name.c_str());
}

RawBlock::RawBlock(const char* name, std::uint32_t size) {
    bool existed = false;
    if (mapping.CreateOrJoin(name, size, existed) && mapping.Open(name)) {
        mapping.Map();
    }
}

RawBlock::~RawBlock() {
    mapping.UnmapAndClose();
}

bool RunPeer(const std::string& arguments) {
    const std::string command = std::string("\"") + SHM_PEER_PATH + "\" " + arguments;
    return std::system(command.c_str()) == 0;
}
