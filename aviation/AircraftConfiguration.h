#pragma once
// What an aircraft shows of itself besides where it is: the gear, the flaps, the speed brake and
// its engines, set by its phase of flight and moving there at the pace of the real thing (the
// gear in about 10 s, the flaps in about 15 s).

#include "aviation/FlightPhase.h"

struct Configuration {
    double gear;       // 0 up to 1 down
    double flaps;      // 0 up to 1 fully down
    double speedBrake; // 0 stowed to 1 out
    double n1;         // percent, of a turbine
    double rpm;        // of a propeller or rotor
};

inline constexpr double kGearSeconds = 10.0;
inline constexpr double kFlapSeconds = 15.0;
inline constexpr double kSpeedBrakeSeconds = 2.0;
// From idle to full power, or from a stop to idle.
inline constexpr double kSpoolSeconds = 5.0;

// What the aircraft is set to in `phase` at `heightAboveField` metres (not a number: no field
// near); `atGate` when it stands in a parking, where its engines are off.
Configuration TargetOf(FlightPhase phase, double heightAboveField, bool atGate,
                       const PhaseLimits& limits);

// `from` moved towards `target` for `seconds`, each part at its own pace.
Configuration Travelled(const Configuration& from, const Configuration& target, double seconds,
                        const PhaseLimits& limits);
