#pragma once
// Scripted encounters for the traffic-alert tests: aircraft flying straight (an intruder may
// level off), and random encounters as the logic meets them.

#include "aviation/Tcas.h"
#include "aviation/TcasSenseChoice.h"
#include "aviation/TcasSystem.h"
#include "traffic/Units.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <vector>

inline constexpr double kFt = units::kMetresPerFoot;
inline constexpr double kKt = units::kMetresPerSecondPerKnot;
inline constexpr double kFpm = units::kMetresPerSecondPerFootPerMinute;

// An aircraft flying straight, climbing or descending until `levelOffAt` (seconds).
struct Flight {
    GeodeticPosition start;
    double north; // m/s
    double east;
    double up;
    double levelOffAt = std::numeric_limits<double>::infinity();

    TcasAircraft At(double t) const {
        const double climbed = up * std::min(t, levelOffAt);
        return {Displaced(start, {north * t, east * t, climbed}), north, east,
                t < levelOffAt ? up : 0.0};
    }
};

// Own-ship east-bound at 12000 ft and 250 kt, the sensitivity level 6 band.
inline const Flight kOwn{{50.45, 0.01, 12000 * kFt}, 0, 250 * kKt, 0};

// An intruder `ahead` metres ahead of the own-ship (and `abeam` metres to its left), `aboveFt`
// higher, west-bound at `knots`.
inline Flight HeadOn(double ahead, double aboveFt, double knots = 250, double upFpm = 0,
                     double abeam = 0) {
    return {Displaced(kOwn.start, {abeam, ahead, aboveFt * kFt}), 0, -knots * kKt, upFpm * kFpm};
}

// An intruder of an encounter with several, or with the ground.
struct ScriptedIntruder {
    std::uint64_t id;
    Flight flight;
    bool reportsAltitude = true;
    bool saysOnGround = false;
};

// An encounter for the whole system: the own-ship, its intruders, the pressure altitude of the
// ground under the own-ship (none: not known), and whether the own-ship flies its RAs.
struct SystemScript {
    Flight own;
    std::vector<ScriptedIntruder> intruders;
    std::optional<double> ground = std::nullopt;
    bool flyRas = false;
};

// An own-ship flying straight that, when told, answers its RAs as the logic models the pilot:
// after the delay it accelerates towards the rate the RA asks for, and keeps its rate after.
class ScriptedOwnShip {
public:
    explicit ScriptedOwnShip(const Flight& flight) : flight(flight), rate(flight.up) {}
    TcasAircraft At(double t) const {
        TcasAircraft a = flight.At(t);
        a.position.height = flight.start.height + climbed;
        a.up = rate;
        return a;
    }
    // `seconds` more from `t`, answering `advisory`.
    void Fly(double t, double seconds, const TcasAdvisory& advisory, bool answer) {
        constexpr double kSlice = 0.05;
        for (double done = 0; done < seconds - 1e-9; done += kSlice) {
            if (answer && advisory.kind == TcasAdvisoryKind::Resolution) {
                const TcasResponse r = advisory.reversed ? kTcasReversalResponse : kTcasNewResponse;
                if (t + done - advisory.since >= r.delay) {
                    const double target = advisory.sense == TcasSense::Climb
                                              ? std::fmax(rate, r.rate)
                                              : std::fmin(rate, -r.rate);
                    const double step = r.acceleration * kSlice;
                    rate += std::clamp(target - rate, -step, step);
                }
            }
            climbed += rate * kSlice;
        }
    }

private:
    Flight flight;
    double rate;
    double climbed = 0;
};

// Plays an encounter through a TcasSystem at `step` s for `seconds`; `each(t, system, own,
// intruders)` sees every cycle.
template <class Each>
void PlaySystem(const SystemScript& script, double seconds, double step, Each each) {
    TcasSystem system;
    ScriptedOwnShip own(script.own);
    std::vector<TcasIntruder> intruders(script.intruders.size());
    for (int i = 0; i * step <= seconds; ++i) {
        const double t = i * step;
        for (std::size_t k = 0; k < intruders.size(); ++k) {
            const ScriptedIntruder& s = script.intruders[k];
            intruders[k] = {s.id, s.flight.At(t), s.reportsAltitude, s.saysOnGround};
        }
        const TcasAircraft ownNow = own.At(t);
        std::optional<double> aboveGround;
        if (script.ground) {
            aboveGround = ownNow.position.height - *script.ground;
        }
        system.Step({ownNow, aboveGround}, intruders, t);
        each(t, system, ownNow, intruders);
        own.Fly(t, step, system.Advisory(), script.flyRas);
    }
}

// Random encounters from a fixed seed: own-ship anywhere from 500 to 45000 ft, intruders within
// 8 NM and 3000 ft of it, each flying in any direction up to 300 m/s and up to 40 m/s up or down.
class EncounterDraw {
public:
    explicit EncounterDraw(unsigned seed) : engine(seed) {}
    double Between(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(engine);
    }
    TcasAircraft Moving(const GeodeticPosition& at) {
        const double speed = Between(0, 300);
        const double track = Between(0, 2 * units::kPi);
        return {at, speed * std::cos(track), speed * std::sin(track), Between(-40, 40)};
    }
    TcasAircraft Own() {
        return Moving({Between(-60, 60), Between(-180, 180), Between(500, 45000) * kFt});
    }
    GeodeticPosition Near(const GeodeticPosition& own) {
        const double range = Between(0, 8 * 1852.0);
        const double bearing = Between(0, 2 * units::kPi);
        return Displaced(own, {range * std::cos(bearing), range * std::sin(bearing),
                               Between(-3000, 3000) * kFt});
    }

private:
    std::mt19937_64 engine;
};
