// The simulator's side of the VisualInterface block: keeps simulationState, the own-ship
// position and the aural-alert request current, and notices each publication of the feeder.
// Works on any block in memory, so that it runs the same against a test's block.
#pragma once

#include "shared_memory/SoundRequest.h"
#include "shared_memory/VisualInterfaceShm.h"

#include <cstdint>

inline constexpr char kSimulatorSideHeaderRevision[] =
    "%Z% CorvaneSim QX5001:05 SimulatorSide.h $Revision: 1.2 $";

// Any value other than 0 and the ending value means running.
inline constexpr std::int32_t kSimulationRunning = 1;
// The feeder ends itself after about five seconds of the ending state; a simulator side stays
// that much longer, so that it sees the feeder go.
inline constexpr double kEndingLingerSeconds = 8.0;

// What one publication left in the block, copied out of it.
struct PublicationSnapshot {
    std::int32_t publishCounter = 0;
    std::int32_t aircraftCount = 0; // as found in the block
    std::int32_t trafficStatus = 0;
    std::int32_t recordCount = 0; // aircraftCount bounded to the array
    AircraftRecord aircraft[kMaxBlockAircraft] = {};
    char slot1[kDiagnosticTextSize] = {};
    char slot3[kDiagnosticTextSize] = {};
    char slot6[kDiagnosticTextSize] = {};
};

class SimulatorSide {
public:
    // `endAfterSeconds` below 0: the simulation does not end by itself.
    explicit SimulatorSide(VisualInterfaceBlock& block, double endAfterSeconds = -1);

    // Writes the state of the simulation at `seconds` since the start into the block: where the
    // own-ship is (degrees) and the alert it asks for.
    void Step(double seconds, double ownLatitude, double ownLongitude, std::int32_t soundRequest);
    // True once for each change of publishCounter since the last call (or construction).
    bool NewPublication();
    void TakeSnapshot(PublicationSnapshot& snapshot) const;

    // The user ends the simulation: the ending state from now on.
    void EndNow(double seconds);
    bool Ending(double seconds) const;
    // The simulator side's own end: the ending state has stood for kEndingLingerSeconds.
    bool Finished(double seconds) const;

    std::int32_t SoundRequest() const { return sound; }
    std::int32_t SimulationState() const { return state; }

private:
    VisualInterfaceBlock& block;
    std::int32_t sound = kSilenceRequest;
    std::int32_t state = kSimulationRunning;
    std::int32_t lastCounter = 0;
    double endAt; // below 0: no end set
};
