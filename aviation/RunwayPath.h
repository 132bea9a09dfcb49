#pragma once
// Where an aircraft using a runway is at each moment, in the runway's frame, when what it does
// next is known: a landing from wherever on final its last fix put it (onto the centre line and
// the glide path, a flare, the touchdown, the roll-out, the stop) and a take-off from wherever on
// the runway (along the centre line, lift-off, the climb on the runway's heading).

#include "aviation/FlightPhase.h"
#include "aviation/RunwayFrame.h"

inline constexpr double kGlidePathDegrees = 3.0;
// Where the glide path meets the runway: the aiming point, on a runway long enough for it.
inline constexpr double kTouchdownAim = 300.0; // metres past the threshold
// A landing roll ends at taxi speed, then the aircraft comes to a stop at this rate.
inline constexpr double kStopDeceleration = 1.0; // m/s²
// Room left at the far end when a landing roll has to brake harder to stop on the runway.
inline constexpr double kStopMargin = 150.0; // metres

struct PathState {
    RunwayPoint point;
    double speed;        // m/s over the ground
    double verticalRate; // m/s, climbing positive
    double drift;        // degrees the track is off the runway's heading, right positive
    double pitch;        // degrees, nose up positive
    FlightPhase phase;
};

class LandingPath {
public:
    // The aircraft at `at` at the time `start`, flying along the runway at `speed` and climbing
    // at `verticalRate` (descending: negative), or rolling on it when `onGround`.
    void Start(const RunwayFrame& frame, const RunwayPoint& at, double speed, double verticalRate,
               bool onGround, double start, const PhaseLimits& limits);
    PathState At(double t) const;

    double TouchdownTime() const { return touchdownTime; }
    double RollEndTime() const { return taxiTime; }
    double StopTime() const { return stopTime; }
    double TouchdownAlong() const { return touchdownAlong; }

private:
    PathState Approach(double t) const;
    PathState Flare(double t) const;
    PathState Roll(double t) const;
    // Right of the centre line, and the drift, at `along`.
    double AcrossAt(double along, double& drift) const;

    RunwayPoint from{};
    double start = 0;
    double speed = 0;
    double taxiSpeed = 0;
    double aim = 0;
    double deviation = 0;      // metres above the glide path at the start
    double convergeUp = 0;     // along where the aircraft is on the glide path
    double convergeAcross = 0; // along where it is on the centre line
    double angleOfAttack = 0;
    double flareTime = 0;
    double flareAlong = 0;
    double flareHeight = 0;
    double flareRate = 0;  // m/s, vertical, at the flare's start
    double flareRound = 0; // m/s², the vertical rate taken off in the flare
    double touchdownTime = 0;
    double touchdownAlong = 0;
    double deceleration = 0;
    double taxiTime = 0;
    double taxiAlong = 0;
    double stopTime = 0;
};

class TakeOffPath {
public:
    // The aircraft at `at` at the time `start`, rolling along the runway at `speed` and gaining
    // `acceleration` (m/s²).
    void Start(const RunwayPoint& at, double speed, double acceleration, double start,
               const PhaseLimits& limits);
    PathState At(double t) const;

    double LiftOffTime() const { return liftOffTime; }

private:
    RunwayPoint from{};
    double start = 0;
    double speed = 0;
    double acceleration = 0;
    double liftOffTime = 0;
    double liftOffAlong = 0;
    double liftOffSpeed = 0;
    double climbRate = 0;
    double angleOfAttack = 0;
    double convergeAcross = 0;
};
