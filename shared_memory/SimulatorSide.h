// The simulator's side of the VisualInterface block: the one writer of what a simulator keeps
// current there (simulationState, the own-ship position and the aural-alert request), keeper of
// the simulation's end and of the linger after it, and the reader that notices each publication
// of the feeder. Works on any block in memory, so that it runs the same against a test's block.
#pragma once

#include "shared_memory/SoundRequest.h"
#include "shared_memory/VisualInterfaceShm.h"

#include <cstdint>

inline constexpr char kSimulatorSideHeaderRevision[] =
    "%Z% CorvaneSim QX5001:05 SimulatorSide.h $Revision: 1.3 $";

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
    // `endAfterSeconds` below 0: the simulation does not end by itself. Nothing is written yet.
    explicit SimulatorSide(VisualInterfaceBlock& block, double endAfterSeconds = -1);

    // The simulation has not started: "not running" and silence, so that nothing an earlier
    // simulator left (an ending state, an alert) reaches the feeder.
    void Await();
    // Where the own-ship is (degrees) at `seconds` since the start: the simulation runs, or is
    // ending once its end has come.
    void MoveOwnShip(double seconds, double ownLatitude, double ownLongitude);
    // The alert the simulation asks for.
    void Request(std::int32_t soundRequest);
    // Both at once: the state of the simulation at `seconds`.
    void Step(double seconds, double ownLatitude, double ownLongitude, std::int32_t soundRequest);

    // True once for each change of publishCounter since the last call (or construction).
    bool NewPublication();
    void TakeSnapshot(PublicationSnapshot& snapshot) const;

    // The simulation ends now (the user ends it, or the simulator has gone): the ending state,
    // written at once and kept from now on.
    void EndNow(double seconds);
    bool Ending(double seconds) const;
    // The simulator side's own end: the ending state has stood for kEndingLingerSeconds.
    bool Finished(double seconds) const;

    // The block was removed and `fresh` made under its name: the alert request and the state
    // are written there at once, "not running" until the next own-ship unless the simulation is
    // ending, and publications are counted from the fresh block's counter on.
    void MoveTo(VisualInterfaceBlock& fresh);

    std::int32_t SoundRequest() const { return sound; }
    std::int32_t SimulationState() const { return state; }

private:
    void WriteState(std::int32_t value);

    VisualInterfaceBlock* block;
    std::int32_t sound = kSilenceRequest;
    std::int32_t state = kSimulationRunning;
    std::int32_t lastCounter = 0;
    double endAt; // below 0: no end set
};
