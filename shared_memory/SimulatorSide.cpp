#include "shared_memory/SimulatorSide.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {
const char kRevision[] = "%Z% CorvaneSim QX5001:06 SimulatorSide.cpp $Revision: 1.3 $";

ModuleRevisions revisions{"CorvaneSim", kSimulatorSideHeaderRevision, kRevision};

// The feeder writes from another process; every read goes to the shared memory.
std::int32_t Load(const std::int32_t& field) {
    return std::atomic_ref<const std::int32_t>(field).load(std::memory_order_acquire);
}

// The feeder reads these fields from another process: what was written before them (the
// own-ship) is there when it sees them.
void Store(std::int32_t& field, std::int32_t value) {
    std::atomic_ref<std::int32_t>(field).store(value, std::memory_order_release);
}

void CopySlot(char* destination, const char* slot) {
    // A slot need not be terminated when a peer filled it carelessly.
    std::memcpy(destination, slot, kDiagnosticTextSize);
    destination[kDiagnosticTextSize - 1] = '\0';
}
} // namespace

SimulatorSide::SimulatorSide(VisualInterfaceBlock& block, double endAfterSeconds)
    : block(&block), lastCounter(Load(block.publishCounter)), endAt(endAfterSeconds) {
    revisions.Register();
}

void SimulatorSide::Await() {
    Request(kSilenceRequest);
    WriteState(kSimulationNotRunning);
}

void SimulatorSide::MoveOwnShip(double seconds, double ownLatitude, double ownLongitude) {
    block->ownLatitude = ownLatitude;
    block->ownLongitude = ownLongitude;
    WriteState(Ending(seconds) ? kSimulationEnding : kSimulationRunning);
}

void SimulatorSide::Request(std::int32_t soundRequest) {
    sound = soundRequest;
    Store(block->soundRequest, sound);
}

void SimulatorSide::Step(double seconds, double ownLatitude, double ownLongitude,
                         std::int32_t soundRequest) {
    Request(soundRequest);
    MoveOwnShip(seconds, ownLatitude, ownLongitude);
}

void SimulatorSide::WriteState(std::int32_t value) {
    state = value;
    Store(block->simulationState, state);
}

bool SimulatorSide::NewPublication() {
    const std::int32_t counter = Load(block->publishCounter);
    if (counter == lastCounter) {
        return false;
    }
    lastCounter = counter;
    return true;
}

void SimulatorSide::TakeSnapshot(PublicationSnapshot& snapshot) const {
    snapshot.publishCounter = Load(block->publishCounter);
    snapshot.aircraftCount = Load(block->aircraftCount);
    snapshot.trafficStatus = Load(block->trafficStatus);
    snapshot.recordCount = std::clamp(snapshot.aircraftCount, 0, kMaxBlockAircraft);
    std::memcpy(snapshot.aircraft, block->aircraft,
                sizeof(AircraftRecord) * static_cast<std::size_t>(snapshot.recordCount));
    CopySlot(snapshot.slot1, block->diagnosticText[1]);
    CopySlot(snapshot.slot3, block->diagnosticText[3]);
    CopySlot(snapshot.slot6, block->diagnosticText[6]);
}

void SimulatorSide::EndNow(double seconds) {
    if (endAt < 0 || seconds < endAt) {
        endAt = seconds;
    }
    WriteState(kSimulationEnding);
}

bool SimulatorSide::Ending(double seconds) const {
    return endAt >= 0 && seconds >= endAt;
}

bool SimulatorSide::Finished(double seconds) const {
    return endAt >= 0 && seconds >= endAt + kEndingLingerSeconds;
}

void SimulatorSide::MoveTo(VisualInterfaceBlock& fresh) {
    block = &fresh;
    lastCounter = Load(fresh.publishCounter);
    Request(sound);
    WriteState(state == kSimulationEnding ? kSimulationEnding : kSimulationNotRunning);
}
