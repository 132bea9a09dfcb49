// A second client process for the shared-memory tests.
//   ShmPeer attach <name>            attach and end without detaching (exit 0 when valid)
//   ShmPeer burst <name> <count> <barrier>
//                                    attach count clients, wait at the barrier (a 4-byte
//                                    mapping) for the other peer, then detach them all at once
//   ShmPeer register <report>        construct shared-memory objects with a report open

#include "config_control/ConfigControl.h"
#include "shared_memory/VisualShm.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

int Attach(const char* name) {
    CVisShm* client = new CVisShm(name);
    // Ends the process on the spot: the client never detaches, as when a peer is killed.
    std::_Exit(client->IsValid() ? 0 : 1);
}

// Both peers arrive, then go on together, so that their detaches overlap.
bool MeetAtBarrier(const char* barrierName) {
    NamedMapping barrier;
    if (!barrier.Open(barrierName) || !barrier.Map()) {
        return false;
    }
    std::atomic_ref<std::int32_t> arrived(*static_cast<std::int32_t*>(barrier.Address()));
    arrived.fetch_add(1);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (arrived.load() < 2 && std::chrono::steady_clock::now() < giveUp) {
    }
    const bool met = arrived.load() >= 2;
    barrier.UnmapAndClose();
    return met;
}

int Burst(const char* name, int count, const char* barrierName) {
    std::vector<std::unique_ptr<CVisShm>> clients;
    for (int i = 0; i < count; ++i) {
        clients.push_back(std::make_unique<CVisShm>(name));
        if (!clients.back()->IsValid()) {
            return 1;
        }
    }
    if (!MeetAtBarrier(barrierName)) {
        return 1;
    }
    clients.clear();
    return 0;
}

int Register(const char* report) {
    if (OpenConfigReport(report) != 1) {
        return 1;
    }
    BaseSharedMemory first;
    BaseSharedMemory second;
    CloseConfigReport();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "attach" && argc == 3) {
        return Attach(argv[2]);
    }
    if (command == "burst" && argc == 5) {
        return Burst(argv[2], std::atoi(argv[3]), argv[4]);
    }
    if (command == "register" && argc == 3) {
        return Register(argv[2]);
    }
    return 2;
}
