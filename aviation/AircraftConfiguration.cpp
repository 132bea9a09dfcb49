#include "aviation/AircraftConfiguration.h"

#include <algorithm>
#include <cmath>

namespace {
struct PhaseSetting {
    double flaps;
    double power; // 0 idle to 1 full
};

// Take-off flaps from the taxi out to the climb; landing flaps from the final on.
PhaseSetting SettingOf(FlightPhase phase) {
    switch (phase) {
    case FlightPhase::Parked:
        return {0, 0};
    case FlightPhase::Taxi:
        return {0.25, 0.1};
    case FlightPhase::TakeOffRoll:
        return {0.25, 1};
    case FlightPhase::ClimbOut:
        return {0.25, 0.9};
    case FlightPhase::EnRoute:
        return {0, 0.75};
    case FlightPhase::Approach:
        return {0.5, 0.35};
    case FlightPhase::Final:
        return {1, 0.45};
    case FlightPhase::LandingRoll:
        return {1, 0.6}; // reversers
    }
    return {0, 0};
}

double Toward(double from, double target, double perSecond, double seconds) {
    const double step = perSecond * std::max(seconds, 0.0);
    return from + std::clamp(target - from, -step, step);
}
} // namespace

Configuration TargetOf(FlightPhase phase, double heightAboveField, bool atGate,
                       const PhaseLimits& limits) {
    const PhaseSetting setting = SettingOf(phase);
    const bool lowApproach = phase == FlightPhase::Approach && std::isfinite(heightAboveField) &&
                             heightAboveField < limits.gearDownHeight;
    const bool gearDown = IsOnGround(phase) || phase == FlightPhase::Final || lowApproach;
    Configuration target{};
    target.gear = gearDown ? 1 : 0;
    target.flaps = setting.flaps;
    target.speedBrake = phase == FlightPhase::LandingRoll ? 1 : 0;
    const bool running = !(phase == FlightPhase::Parked && atGate);
    if (running) {
        target.n1 =
            limits.fullN1 > 0 ? limits.idleN1 + setting.power * (limits.fullN1 - limits.idleN1) : 0;
        target.rpm = limits.fullRpm > 0
                         ? limits.idleRpm + setting.power * (limits.fullRpm - limits.idleRpm)
                         : 0;
    }
    return target;
}

Configuration Travelled(const Configuration& from, const Configuration& target, double seconds,
                        const PhaseLimits& limits) {
    return {Toward(from.gear, target.gear, 1 / kGearSeconds, seconds),
            Toward(from.flaps, target.flaps, 1 / kFlapSeconds, seconds),
            Toward(from.speedBrake, target.speedBrake, 1 / kSpeedBrakeSeconds, seconds),
            Toward(from.n1, target.n1, std::max(limits.fullN1, 1.0) / kSpoolSeconds, seconds),
            Toward(from.rpm, target.rpm, std::max(limits.fullRpm, 1.0) / kSpoolSeconds, seconds)};
}
