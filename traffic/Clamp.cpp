#include "traffic/Clamp.h"

extern const char kClampSourceRevision[] =
    "%Z% TrafficAnalyser QX2120:05 Clamp.cpp $Revision: 1.1 $";

namespace {

template <typename Result, typename Value>
Result ClampWithUpperFirst(Result lo, Value value, Result hi) {
    if (value < hi) {
        return value < lo ? lo : static_cast<Result>(value);
    }
    return hi;
}

} // namespace

float ClampFloat(float lo, float value, float hi) {
    return ClampWithUpperFirst(lo, value, hi);
}

double ClampDouble(double lo, double value, double hi) {
    return ClampWithUpperFirst(lo, value, hi);
}

double ClampFloatValue(double lo, float value, double hi) {
    return ClampWithUpperFirst(lo, value, hi);
}

double ClampFloatLow(float lo, double value, double hi) {
    return ClampWithUpperFirst<double>(lo, value, hi);
}

std::int32_t ClampInt(std::int32_t lo, std::int32_t value, std::int32_t hi) {
    return static_cast<std::int32_t>(ClampDouble(lo, value, hi));
}
