#pragma once
// Scripted encounters for the traffic-alert tests: aircraft flying straight (an intruder may
// level off), and random encounters as the logic meets them.

#include "aviation/Tcas.h"
#include "traffic/Units.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

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
