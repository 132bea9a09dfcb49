// A second client process for the shared-memory tests.
//   ShmPeer attach <name>            attach and end without detaching (exit 0 when valid)
//   ShmPeer burst <name> <count> <barrier>
//                                    attach count clients, wait at the barrier (a 4-byte
//                                    mapping) for the other peer, then detach them all at once
//   ShmPeer churn <name> <rounds> <barrier>
//                                    after the barrier, attach and detach one client rounds
//                                    times; exit 1 when an attach fails, 3 when the block's
//                                    name went while the client was attached
//   ShmPeer feed <name> <barrier>    attach as the feeder, meet the test at the barrier twice
//                                    (claimed, then done), then end without detaching
//   ShmPeer hold <name> <barrier> [<tag>|blank]
//                                    as a simulator that does not count itself: make the block
//                                    with the system's own calls (not this program's platform
//                                    layer), write the tag (this build's unless given),
//                                    simulationState 7 and its own fields, leave attachCount
//                                    alone, keep its handle and view, meet the test at the
//                                    barrier twice (holding, then done), then end without
//                                    letting go
//   ShmPeer register <report>        construct shared-memory objects with a report open

#include "config_control/ConfigControl.h"
#include "shared_memory/VisualShm.h"
#include "shared_memory/tests/ShmTestSupport.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

// A new block of the layout's size, as a simulator makes it; its handle and view are kept until
// the process ends. Null when the block cannot be made or already exists.
void* MakeBlockAsASimulator(const char* name) {
#ifdef _WIN32
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        kVisualInterfaceSize, name);
    if (mapping == nullptr || GetLastError() == ERROR_ALREADY_EXISTS) {
        return nullptr;
    }
    return MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
#else
    const int fd = shm_open(("/" + std::string(name)).c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0 || ftruncate(fd, kVisualInterfaceSize) != 0) {
        return nullptr;
    }
    void* view = mmap(nullptr, kVisualInterfaceSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    return view == MAP_FAILED ? nullptr : view;
#endif
}

int Attach(const char* name) {
    CVisShm* client = new CVisShm(name);
    // Ends the process on the spot: the client never detaches, as when a peer is killed.
    std::_Exit(client->IsValid() ? 0 : 1);
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

int Churn(const char* name, int rounds, const char* barrierName) {
    if (!MeetAtBarrier(barrierName)) {
        return 1;
    }
    for (int round = 0; round < rounds; ++round) {
        CVisShm client(name);
        if (!client.IsValid()) {
            std::fprintf(stderr, "ShmPeer churn, round %d: %s\n", round, client.GetErrorText());
            return 1;
        }
        if (client.IsBlockNameRemoved()) {
            std::fprintf(stderr, "ShmPeer churn, round %d: name removed\n", round);
            return 3;
        }
    }
    return 0;
}

int Feed(const char* name, const char* barrierName) {
    CVisShm* feeder = new CVisShm(name);
    if (!feeder->ClaimFeeder() || !MeetAtBarrier(barrierName) || !MeetAtBarrier(barrierName)) {
        return 1;
    }
    std::_Exit(0); // as a feeder that is killed: the system alone releases what it held
}

int Hold(const char* name, const char* barrierName, const std::string& tag) {
    auto* fields = static_cast<VisualInterfaceBlock*>(MakeBlockAsASimulator(name));
    if (fields == nullptr || tag.size() > sizeof fields->versionTag) {
        return 1;
    }
    std::memcpy(fields->versionTag, tag.data(), tag.size());
    fields->simulationState = kPeerSimulationState;
    fields->ownLatitude = kPeerLatitude;
    fields->soundRequest = kPeerSoundRequest;
    if (!MeetAtBarrier(barrierName) || !MeetAtBarrier(barrierName)) {
        return 1;
    }
    std::_Exit(0); // the system alone releases the block's handle and view
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
    if (command == "churn" && argc == 5) {
        return Churn(argv[2], std::atoi(argv[3]), argv[4]);
    }
    if (command == "feed" && argc == 4) {
        return Feed(argv[2], argv[3]);
    }
    if (command == "hold" && (argc == 4 || argc == 5)) {
        const std::string tag = argc == 4 ? CVisShm::VersionTag() : argv[4];
        return Hold(argv[2], argv[3], tag == "blank" ? "" : tag);
    }
    if (command == "register" && argc == 3) {
        return Register(argv[2]);
    }
    return 2;
}
