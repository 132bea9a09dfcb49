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
//   ShmPeer hold <name> <barrier>    as a simulator that does not count itself: make or open
//                                    the block with the mapping calls alone, write the tag,
//                                    simulationState 7 and its own fields, leave attachCount
//                                    alone, meet the test at the barrier twice (holding, then
//                                    done), then end without letting go
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

namespace {

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

int Hold(const char* name, const char* barrierName) {
    NamedMapping block;
    bool existed = false;
    if (!block.CreateOrJoin(name, kVisualInterfaceSize, existed) || !block.Open(name) ||
        !block.Map()) {
        return 1;
    }
    auto* fields = static_cast<VisualInterfaceBlock*>(block.Address());
    std::memcpy(fields->versionTag, CVisShm::VersionTag(), std::strlen(CVisShm::VersionTag()));
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
    if (command == "hold" && argc == 4) {
        return Hold(argv[2], argv[3]);
    }
    if (command == "register" && argc == 3) {
        return Register(argv[2]);
    }
    return 2;
}
