#pragma once
// The phase of flight of an aircraft, judged at each of its fixes from its height above the
// nearest field, its vertical rate, its ground speed, whether it is lined up on a runway and
// whether it is on the ground. What separates the phases differs between an airliner and a light
// single, so each class of aircraft has one small table of the numbers its phases and its
// movements at an airport go by.

enum class FlightClass { Jet, Turboprop, Piston, Helicopter };

enum class FlightPhase {
    Parked,
    Taxi,
    TakeOffRoll,
    ClimbOut,
    EnRoute,
    Approach,
    Final,
    LandingRoll
};

struct PhaseLimits {
    bool usesRunways;           // false: it never lines up, rolls, or flies a final
    double parkedSpeed;         // m/s: slower on the ground is standing
    double taxiSpeed;           // m/s: its speed on the taxiways, where a landing roll ends
    double rollSpeed;           // m/s: faster on a runway and lined up is a take-off roll
    double liftOffSpeed;        // m/s
    double takeOffAcceleration; // m/s², along the runway before lift-off
    double climbOutRate;        // m/s, after lift-off
    double levelRate;           // m/s: a vertical rate within this either way is level flight
    double climbOutHeight;      // m above the field: climbing below it is the climb-out
    double approachHeight;      // m above the field: descending below it is the approach
    double gearDownHeight;      // m above the field: the gear is down on an approach below it
    double flareHeight;         // m above the runway
    double touchdownSinkRate;   // m/s
    double rollOutDeceleration; // m/s², from touchdown down to taxi speed
    double angleOfAttack;       // degrees the nose is above the flight path in the air
    // Engine power shown: n1 (percent) for a turbine, rpm for a propeller or rotor, from idle to
    // full power. A class without one shows 0.
    double idleN1;
    double fullN1;
    double idleRpm;
    double fullRpm;
};

const PhaseLimits& LimitsOf(FlightClass kind);
// "parked", "taxi", "take-off roll", "climb-out", "en route", "approach", "final",
// "landing roll".
const char* PhaseName(FlightPhase phase);
bool IsOnGround(FlightPhase phase);

// What a fix says about the aircraft.
struct PhaseInput {
    double heightAboveField; // metres; not a number: no field near, or no height known
    double verticalRate;     // m/s, climbing positive
    double groundSpeed;      // m/s
    bool onGround;
    bool onRunway;       // on a runway's surface and lined up with it
    double acceleration; // m/s² since its fix before; not a number: no fix before to tell
    bool onFinal;        // lined up on a runway's final (see FinalCapture)
};

// The phase at a fix, given the phase at the fix before: what the fix alone cannot tell (a
// roll that is a landing's rather than a take-off's, a level stretch within a climb-out) the
// phase before decides.
FlightPhase NextPhase(FlightPhase previous, const PhaseInput& input, const PhaseLimits& limits);
