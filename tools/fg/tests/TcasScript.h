#pragma once
// Scripted encounters for the traffic-alert tests: aircraft flying straight (an intruder may
// level off), and the requests the logic gives as the encounter plays.

#include "tools/fg/Tcas.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

inline constexpr double kFt = kMetresPerFoot;
inline constexpr double kKt = 1852.0 / 3600.0;
inline constexpr double kFpm = kMetresPerFoot / 60.0;

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

// The requests of an encounter, each change once, sampled every `step` seconds.
inline std::vector<std::int32_t> Requests(const Flight& own, const Flight& intruder, double seconds,
                                          double step) {
    std::vector<std::int32_t> requests = {10};
    TcasAdvisory advisory;
    for (int i = 0; i * step <= seconds; ++i) {
        const double t = i * step;
        const TcasAircraft other = intruder.At(t);
        advisory = NextAdvisory(advisory, WorstThreat(own.At(t), {&other, 1}), t);
        if (RequestOf(advisory) != requests.back()) {
            requests.push_back(RequestOf(advisory));
        }
    }
    return requests;
}
