#pragma once
// The requests the bridge writes as a scripted encounter plays.

#include "aviation/tests/TcasScript.h"
#include "tools/fg/TcasRequest.h"

#include <cstdint>
#include <vector>

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

// The requests the voice gives in an encounter played through the whole system, each change
// once, at 1 s steps.
inline std::vector<std::int32_t> SystemRequests(const SystemScript& script, double seconds) {
    std::vector<std::int32_t> requests = {10};
    PlaySystem(script, seconds, 1.0,
               [&](double, const TcasSystem& system, const TcasAircraft&,
                   const std::vector<TcasIntruder>&) {
                   if (RequestOf(system.Voice()) != requests.back()) {
                       requests.push_back(RequestOf(system.Voice()));
                   }
               });
    return requests;
}
