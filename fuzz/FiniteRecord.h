#pragma once
// No number that reaches the visual system may be infinite or NaN: a field beyond the range of a
// double, or one that only the C library reads as a number, reads 0.

#include "shared_memory/AircraftRecord.h"

#include <cmath>
#include <initializer_list>

inline bool HoldsOnlyFiniteNumbers(const AircraftRecord& record) {
    for (const double value :
         {record.latitude, record.longitude, record.geoAltitude, record.baroAltitude,
          record.verticalRate, record.track, record.groundSpeed}) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    return true;
}
