// What the stand-in's tests share: cases named in words (a failing case is found again by its
// name, and GoogleTest prints the name for the parameter instead of its bytes), and the state
// and traffic the picture tests draw.
#pragma once

#include "text_functions/TextFunctions.h"
#include "tools/sim/ScopeText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <string>

namespace sim_test {
struct NamedCase {
    const char* name;
};

inline std::ostream& operator<<(std::ostream& out, const NamedCase& named) {
    return out << named.name;
}

// The name generator of INSTANTIATE_TEST_SUITE_P for cases derived from NamedCase.
struct ByName {
    template <class Case> std::string operator()(const testing::TestParamInfo<Case>& info) const {
        return info.param.name;
    }
};

// The own-ship at the feeder's seed position, heading east at 6000 ft.
inline ScopeState StateOf(const PublicationSnapshot* publication) {
    ScopeState state;
    state.own = {50.45, 0.01, 90};
    state.ownAltitudeFt = 6000;
    state.publication = publication;
    return state;
}

// `count` aircraft scattered within `spread` degrees of the own-ship, callsigns Q000XY on.
inline std::unique_ptr<PublicationSnapshot> Crowd(int count, double spread) {
    auto publication = std::make_unique<PublicationSnapshot>();
    publication->publishCounter = 12;
    for (int i = 0; i < count; ++i) {
        AircraftRecord& record = publication->aircraft[i];
        FormatBounded(record.callsign, 9, "Q%03dXY", i);
        record.latitude = 50.45 + spread * std::sin(i * 1.7);
        record.longitude = 0.01 + spread * std::cos(i * 2.3);
        record.baroAltitude = 1500 + 40 * i;
    }
    publication->aircraftCount = publication->recordCount = count;
    return publication;
}
} // namespace sim_test
