#pragma once
// The traffic-alert system as it flies: each cycle every intruder is assessed against the
// own-ship's pressure altitude and its height above the ground, each intruder keeps its own
// advisory (TA, RA, its sense and its reversal, with its own hysteresis) under its identity, an
// RA against several threats at once takes one sense for all of them, and one voice speaks for
// them all. Fed by its owner with the own-ship, the intruders and a clock in seconds, so that an
// encounter can be scripted and replayed without a simulator.

#include "aviation/Tcas.h"
#include "aviation/TcasSenseChoice.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct TcasIntruder {
    // Who it is: the same aircraft keeps it from cycle to cycle, and no two of a cycle share it.
    std::uint64_t id;
    // Its height is its pressure altitude when it reports one.
    TcasAircraft aircraft;
    // No altitude reported: a TA by range alone, never an RA.
    bool reportsAltitude = true;
    // It says itself that it is on the ground: no advisory.
    bool saysOnGround = false;
};

struct TcasOwnShip {
    TcasAircraft aircraft; // its height is its pressure altitude
    // Its height above the ground (metres): radio altitude or an estimate. None: not known, and
    // the logic stands on the altitude alone, without the inhibits near the ground.
    std::optional<double> aboveGround;
};

// The heights above the ground (feet) of the booklet's inhibits: below the first only TAs, below
// the second no Descend RA, below the third no voice. The booklet gives each with ±100 ft; here
// each holds at every height below its value, as crews are taught it, and is lifted only once the
// own-ship is 100 ft above it, so that an own-ship flying along one is not switched to and fro.
inline constexpr double kTcasTaOnlyBelowFt = 1000;
inline constexpr double kTcasNoDescendBelowFt = 1100;
inline constexpr double kTcasSilentBelowFt = 500;
inline constexpr double kTcasInhibitHysteresisFt = 100;
// The booklet's rule for intruders on the ground: while the own-ship is below 1750 ft above the
// ground, an intruder reporting an altitude less than 380 ft above the ground there (the
// own-ship's pressure altitude less its height above the ground) is on the ground.
inline constexpr double kTcasGroundLogicBelowFt = 1750;
inline constexpr double kTcasOnGroundBelowFt = 380;

// One intruder with an advisory, or one that is ending.
struct TcasIntruderState {
    std::uint64_t id;
    TcasAdvisory advisory;
    TcasThreat threat;  // as assessed this cycle; no level when it was not seen
    bool seen = false;  // in this cycle's intruders
    bool heard = false; // the voice has spoken while it had an advisory
};

// An inhibit with its hysteresis: in force below `belowFt`, lifted at `belowFt` + hysteresis.
struct TcasInhibit {
    double belowFt;
    bool active = false;
    void Update(std::optional<double> aboveGround);
};

class TcasSystem {
public:
    // One cycle at `now`: the inhibits, every intruder assessed, each one's advisory carried on,
    // the sense of an RA against several threats, the voice.
    void Step(const TcasOwnShip& own, std::span<const TcasIntruder> intruders, double now);
    // Forgets every intruder and the voice, as when the system is switched off.
    void Reset() { *this = TcasSystem{}; }

    // What the voice asks for now: kind None while it is silent. Below the aural inhibit it is
    // silent, and what it could not say there stays unsaid until the advisory changes.
    const TcasAdvisory& Voice() const { return spoken; }
    // The strongest advisory of all intruders, heard or not.
    const TcasAdvisory& Advisory() const { return voice; }
    const TcasThresholds& Thresholds() const { return thresholds; }
    bool DescendInhibited() const { return noDescend.active; }
    bool AuralInhibited() const { return silent.active; }
    // Several threats have stood at once in this encounter: one sense for all of them.
    bool MultiThreat() const { return multi; }
    std::span<const TcasIntruderState> Intruders() const { return states; }

private:
    TcasThreat Assess(const TcasOwnShip& own, const TcasIntruder& intruder) const;
    void Gather(const TcasOwnShip& own, std::span<const TcasIntruder> intruders);
    int Find(std::uint64_t id, std::size_t hint) const;
    TcasThreatSet Threats(double ownRate);
    void EnterMultiThreat(double ownRate);
    void SteerMultiThreat(double ownRate);
    void AdvanceEach(double now);
    void ChooseVoice();

    TcasInhibit taOnly{kTcasTaOnlyBelowFt};
    TcasInhibit noDescend{kTcasNoDescendBelowFt};
    TcasInhibit silent{kTcasSilentBelowFt};
    std::optional<double> aboveGround;
    TcasThresholds thresholds{};
    std::vector<TcasIntruderState> states;
    std::vector<TcasThreat> raThreats; // scratch: the threats of a multi-threat RA
    bool multi = false;
    TcasSense multiSense = TcasSense::Climb;
    bool multiReversed = false;
    TcasAdvisory voice;
    TcasAdvisory spoken;
    std::optional<TcasAdvisory> muted; // what the aural inhibit kept unsaid
};
