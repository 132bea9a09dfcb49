#include "aviation/FlightPhase.h"

#include "traffic/Units.h"

#include <cmath>
#include <initializer_list>

namespace {
constexpr double kFt = units::kMetresPerFoot;
constexpr double kKt = units::kMetresPerSecondPerKnot;

// clang-format off
constexpr PhaseLimits kJet{
    .usesRunways = true, .parkedSpeed = 1.0, .taxiSpeed = 15 * kKt, .rollSpeed = 30 * kKt,
    .liftOffSpeed = 145 * kKt, .takeOffAcceleration = 2.0, .climbOutRate = 2000 * kFt / 60,
    .levelRate = 300 * kFt / 60, .climbOutHeight = 3000 * kFt, .approachHeight = 5000 * kFt,
    .gearDownHeight = 2000 * kFt, .flareHeight = 30 * kFt, .touchdownSinkRate = 200 * kFt / 60,
    .rollOutDeceleration = 2.0, .angleOfAttack = 5, .idleN1 = 22, .fullN1 = 95, .idleRpm = 0,
    .fullRpm = 0};
constexpr PhaseLimits kTurboprop{
    .usesRunways = true, .parkedSpeed = 1.0, .taxiSpeed = 12 * kKt, .rollSpeed = 25 * kKt,
    .liftOffSpeed = 105 * kKt, .takeOffAcceleration = 1.8, .climbOutRate = 1500 * kFt / 60,
    .levelRate = 300 * kFt / 60, .climbOutHeight = 2500 * kFt, .approachHeight = 4000 * kFt,
    .gearDownHeight = 2000 * kFt, .flareHeight = 25 * kFt, .touchdownSinkRate = 180 * kFt / 60,
    .rollOutDeceleration = 2.0, .angleOfAttack = 4, .idleN1 = 60, .fullN1 = 97, .idleRpm = 800,
    .fullRpm = 1200};
constexpr PhaseLimits kPiston{
    .usesRunways = true, .parkedSpeed = 0.5, .taxiSpeed = 10 * kKt, .rollSpeed = 20 * kKt,
    .liftOffSpeed = 55 * kKt, .takeOffAcceleration = 1.2, .climbOutRate = 700 * kFt / 60,
    .levelRate = 200 * kFt / 60, .climbOutHeight = 1500 * kFt, .approachHeight = 3000 * kFt,
    .gearDownHeight = 2000 * kFt, .flareHeight = 15 * kFt, .touchdownSinkRate = 120 * kFt / 60,
    .rollOutDeceleration = 2.0, .angleOfAttack = 4, .idleN1 = 0, .fullN1 = 0, .idleRpm = 700,
    .fullRpm = 2700};
constexpr PhaseLimits kHelicopter{
    .usesRunways = false, .parkedSpeed = 0.5, .taxiSpeed = 10 * kKt, .rollSpeed = 0,
    .liftOffSpeed = 0, .takeOffAcceleration = 0, .climbOutRate = 800 * kFt / 60,
    .levelRate = 200 * kFt / 60, .climbOutHeight = 1000 * kFt, .approachHeight = 1500 * kFt,
    .gearDownHeight = 2000 * kFt, .flareHeight = 0, .touchdownSinkRate = 100 * kFt / 60,
    .rollOutDeceleration = 0, .angleOfAttack = 0, .idleN1 = 60, .fullN1 = 95, .idleRpm = 380,
    .fullRpm = 395};
// clang-format on

bool OneOf(FlightPhase phase, std::initializer_list<FlightPhase> phases) {
    for (const FlightPhase p : phases) {
        if (p == phase) {
            return true;
        }
    }
    return false;
}

// Changes of speed smaller than this between two fixes are the noise of the records.
constexpr double kSteadyAcceleration = 0.2; // m/s²

// A fast aircraft on a runway is landing when it came from an approach or slows down, and
// taking off when it speeds up or was rolling for take-off already; one first seen there at
// speed, with nothing to tell, is taken to be taking off.
FlightPhase OnGroundPhase(FlightPhase previous, const PhaseInput& in, const PhaseLimits& limits) {
    if (in.onRunway && limits.usesRunways) {
        const bool slowing = in.acceleration < -kSteadyAcceleration;
        const bool gaining = in.acceleration > kSteadyAcceleration;
        const bool landing = OneOf(previous, {FlightPhase::Approach, FlightPhase::Final,
                                              FlightPhase::LandingRoll}) ||
                             (slowing && previous != FlightPhase::TakeOffRoll);
        if (landing && in.groundSpeed > limits.taxiSpeed) {
            return FlightPhase::LandingRoll;
        }
        if (!landing && in.groundSpeed >= limits.rollSpeed &&
            (gaining || previous == FlightPhase::TakeOffRoll || std::isnan(in.acceleration))) {
            return FlightPhase::TakeOffRoll;
        }
    }
    return in.groundSpeed < limits.parkedSpeed ? FlightPhase::Parked : FlightPhase::Taxi;
}
} // namespace

const PhaseLimits& LimitsOf(FlightClass kind) {
    switch (kind) {
    case FlightClass::Turboprop:
        return kTurboprop;
    case FlightClass::Piston:
        return kPiston;
    case FlightClass::Helicopter:
        return kHelicopter;
    case FlightClass::Jet:
        break;
    }
    return kJet;
}

const char* PhaseName(FlightPhase phase) {
    switch (phase) {
    case FlightPhase::Parked:
        return "parked";
    case FlightPhase::Taxi:
        return "taxi";
    case FlightPhase::TakeOffRoll:
        return "take-off roll";
    case FlightPhase::ClimbOut:
        return "climb-out";
    case FlightPhase::EnRoute:
        return "en route";
    case FlightPhase::Approach:
        return "approach";
    case FlightPhase::Final:
        return "final";
    case FlightPhase::LandingRoll:
        return "landing roll";
    }
    return "?";
}

bool IsOnGround(FlightPhase phase) {
    return OneOf(phase, {FlightPhase::Parked, FlightPhase::Taxi, FlightPhase::TakeOffRoll,
                         FlightPhase::LandingRoll});
}

FlightPhase NextPhase(FlightPhase previous, const PhaseInput& in, const PhaseLimits& limits) {
    if (in.onGround) {
        return OnGroundPhase(previous, in, limits);
    }
    if (in.onFinal && limits.usesRunways) {
        return FlightPhase::Final;
    }
    const double height = in.heightAboveField;
    if (!std::isfinite(height)) {
        return FlightPhase::EnRoute;
    }
    const bool climbing = in.verticalRate > limits.levelRate;
    const bool descending = in.verticalRate < -limits.levelRate;
    const bool departing = OneOf(previous, {FlightPhase::TakeOffRoll, FlightPhase::ClimbOut});
    if (height < limits.climbOutHeight && (climbing || (departing && !descending))) {
        return FlightPhase::ClimbOut;
    }
    const bool arriving = OneOf(previous, {FlightPhase::Approach, FlightPhase::Final});
    if (height < limits.approachHeight && (descending || (arriving && !climbing))) {
        return FlightPhase::Approach;
    }
    return FlightPhase::EnRoute;
}
