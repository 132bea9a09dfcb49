#include "aviation/RunwayPath.h"

#include "aviation/Smoothstep.h"

#include <algorithm>
#include <cmath>

namespace {
const double kGlideSlope = std::tan(kGlidePathDegrees * kRadians);
// An aircraft off the centre line or the glide path comes onto it within about this much
// flight...
constexpr double kConvergeSeconds = 10.0;
// ... never meeting the centre line at more than about 20° (the steepest slope of the smooth
// step is 1.5 times its mean), nor leaving the glide path's angle by more than about 2°...
constexpr double kAcrossPerMetreOff = 1.5 / 0.36;
constexpr double kAlongPerMetreHigh = 1.5 / 0.035;
// ... unless the runway comes first: then it is on both before the flare, more steeply.
constexpr double kLeastConvergence = 1.0; // metres along
// A roll-out that has to stop on a short runway brakes harder, up to this.
constexpr double kHardestBraking = 4.0; // m/s²
// A take-off roll's acceleration is taken from the records within these shares of the class's.
constexpr double kLeastAcceleration = 0.5;
constexpr double kMostAcceleration = 1.5;
// A take-off roll that comes onto the centre line does so within this distance at least.
constexpr double kLineUpAlong = 200.0; // metres
// From lift-off the climb rate and the nose come up over this long.
constexpr double kRotateSeconds = 3.0;
// An aircraft on final flies no slower than this share of its lift-off speed, whatever its
// records say.
constexpr double kLeastApproachShare = 0.6;

// An offset `offset` at `fromAlong` that has gone by `toAlong`, at `along`; `slope` is its change
// per metre along.
double Converging(double offset, double fromAlong, double toAlong, double along, double& slope) {
    const double span = std::max(toAlong - fromAlong, kLeastConvergence);
    const double x = (along - fromAlong) / span;
    slope = -offset * SmoothstepSlope(x) / span;
    return offset * (1 - Smoothstep(x));
}

double PathDegrees(double verticalRate, double speed) {
    return std::atan2(verticalRate, std::max(speed, 1.0)) * kDegrees;
}
} // namespace

void LandingPath::Start(const RunwayFrame& frame, const RunwayPoint& at, double fixSpeed,
                        double verticalRate, bool onGround, double startTime,
                        const PhaseLimits& limits) {
    from = at;
    start = startTime;
    angleOfAttack = limits.angleOfAttack;
    aim = std::clamp(frame.length / 6, 0.0, kTouchdownAim);
    const double sink = limits.touchdownSinkRate;
    const bool airborne = !onGround && at.up > 0;
    speed = airborne ? std::max(fixSpeed, kLeastApproachShare * limits.liftOffSpeed)
                     : std::max(fixSpeed, 0.0);
    const double flareStart = aim - limits.flareHeight / kGlideSlope;
    deviation = 0;
    convergeUp = at.along;
    if (!airborne) {
        flareTime = start;
        flareAlong = at.along;
        flareHeight = flareRate = flareRound = 0;
        touchdownTime = start;
        touchdownAlong = at.along;
    } else {
        if (at.up > limits.flareHeight && at.along < flareStart) {
            deviation = at.up - kGlideSlope * (aim - at.along);
            convergeUp = at.along + std::min(std::max(speed * kConvergeSeconds,
                                                      kAlongPerMetreHigh * std::fabs(deviation)),
                                             flareStart - at.along);
            flareTime = start + (flareStart - at.along) / speed;
            flareAlong = flareStart;
            flareHeight = limits.flareHeight;
            flareRate = -std::max(speed * kGlideSlope, sink);
        } else {
            // Low already, or high over the runway: it comes down from where it is.
            flareTime = start;
            flareAlong = at.along;
            flareHeight = at.up;
            flareRate = std::min(verticalRate, -sink);
        }
        const double flareSeconds = 2 * flareHeight / (sink - flareRate);
        flareRound = flareSeconds > 0 ? (-flareRate - sink) / flareSeconds : 0;
        touchdownTime = flareTime + flareSeconds;
        touchdownAlong = flareAlong + speed * flareSeconds;
    }
    convergeAcross =
        at.along + std::max(speed * kConvergeSeconds, kAcrossPerMetreOff * std::fabs(at.across));
    if (airborne) {
        convergeAcross = std::min(convergeAcross, touchdownAlong);
    }
    // Down to taxi speed at the class's rate, or harder where the runway left is too short.
    taxiSpeed = std::min(speed, limits.taxiSpeed);
    const double room = frame.length - touchdownAlong - kStopMargin;
    const double needed = speed * speed - taxiSpeed * taxiSpeed;
    deceleration = limits.rollOutDeceleration;
    if (room > 0) {
        deceleration = std::max(deceleration, needed / (2 * room));
    }
    deceleration = std::clamp(deceleration, kStopDeceleration, kHardestBraking);
    taxiTime = touchdownTime + (speed - taxiSpeed) / deceleration;
    taxiAlong = touchdownAlong + needed / (2 * deceleration);
    stopTime = taxiTime + taxiSpeed / kStopDeceleration;
}

double LandingPath::AcrossAt(double along, double& drift) const {
    double slope = 0;
    const double across = Converging(from.across, from.along, convergeAcross, along, slope);
    drift = std::atan(slope) * kDegrees;
    return across;
}

PathState LandingPath::Approach(double t) const {
    PathState state{};
    const double along = from.along + speed * (t - start);
    double slope = 0;
    const double above = Converging(deviation, from.along, convergeUp, along, slope);
    double up = kGlideSlope * (aim - along) + above;
    double rate = speed * (slope - kGlideSlope);
    if (up <= 0) {
        up = rate = 0; // low on the path near the runway: never into the ground
    }
    state.point = {along, AcrossAt(along, state.drift), up};
    state.speed = speed;
    state.verticalRate = rate;
    state.pitch = PathDegrees(rate, speed) + angleOfAttack;
    state.phase = FlightPhase::Final;
    return state;
}

PathState LandingPath::Flare(double t) const {
    PathState state{};
    const double elapsed = t - flareTime;
    const double along = flareAlong + speed * elapsed;
    const double up = flareHeight + flareRate * elapsed + flareRound * elapsed * elapsed / 2;
    state.point = {along, AcrossAt(along, state.drift), std::max(up, 0.0)};
    state.speed = speed;
    state.verticalRate = flareRate + flareRound * elapsed;
    state.pitch = PathDegrees(state.verticalRate, speed) + angleOfAttack;
    state.phase = FlightPhase::Final;
    return state;
}

PathState LandingPath::Roll(double t) const {
    PathState state{};
    double along = 0;
    if (t < taxiTime) {
        const double elapsed = t - touchdownTime;
        along = touchdownAlong + speed * elapsed - deceleration * elapsed * elapsed / 2;
        state.speed = speed - deceleration * elapsed;
        state.phase = FlightPhase::LandingRoll;
    } else if (t < stopTime) {
        const double elapsed = t - taxiTime;
        along = taxiAlong + taxiSpeed * elapsed - kStopDeceleration * elapsed * elapsed / 2;
        state.speed = taxiSpeed - kStopDeceleration * elapsed;
        state.phase = FlightPhase::Taxi;
    } else {
        along = taxiAlong + taxiSpeed * taxiSpeed / (2 * kStopDeceleration);
        state.speed = 0;
        state.phase = FlightPhase::Parked;
    }
    state.point = {along, AcrossAt(along, state.drift), 0};
    return state;
}

PathState LandingPath::At(double t) const {
    t = std::max(t, start);
    if (t < flareTime) {
        return Approach(t);
    }
    return t < touchdownTime ? Flare(t) : Roll(t);
}

void TakeOffPath::Start(const RunwayPoint& at, double fixSpeed, double fixAcceleration,
                        double startTime, const PhaseLimits& limits) {
    from = at;
    start = startTime;
    speed = std::max(fixSpeed, 0.0);
    const double usual = limits.takeOffAcceleration;
    acceleration =
        std::isfinite(fixAcceleration)
            ? std::clamp(fixAcceleration, kLeastAcceleration * usual, kMostAcceleration * usual)
            : usual;
    liftOffSpeed = std::max(speed, limits.liftOffSpeed);
    const double rolling = acceleration > 0 ? (liftOffSpeed - speed) / acceleration : 0;
    liftOffTime = start + rolling;
    liftOffAlong = at.along + speed * rolling + acceleration * rolling * rolling / 2;
    climbRate = limits.climbOutRate;
    angleOfAttack = limits.angleOfAttack;
    convergeAcross = at.along + std::max(kLineUpAlong, kAcrossPerMetreOff * std::fabs(at.across));
}

PathState TakeOffPath::At(double t) const {
    t = std::max(t, start);
    PathState state{};
    double along = 0;
    if (t < liftOffTime) {
        const double elapsed = t - start;
        along = from.along + speed * elapsed + acceleration * elapsed * elapsed / 2;
        state.speed = speed + acceleration * elapsed;
        state.phase = FlightPhase::TakeOffRoll;
    } else {
        const double elapsed = t - liftOffTime;
        const double rotated = std::min(1.0, elapsed / kRotateSeconds);
        along = liftOffAlong + liftOffSpeed * elapsed;
        state.speed = liftOffSpeed;
        state.verticalRate = climbRate * rotated;
        state.point.up = elapsed < kRotateSeconds
                             ? climbRate * elapsed * elapsed / (2 * kRotateSeconds)
                             : climbRate * (elapsed - kRotateSeconds / 2);
        state.pitch = PathDegrees(state.verticalRate, liftOffSpeed) + angleOfAttack * rotated;
        state.phase = FlightPhase::ClimbOut;
    }
    double slope = 0;
    state.point.along = along;
    state.point.across = Converging(from.across, from.along, convergeAcross, along, slope);
    state.drift = std::atan(slope) * kDegrees;
    return state;
}
