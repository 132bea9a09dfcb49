// Limiting a value to a range. The upper bound is tested first: a value at or above hi gives hi
// (a NaN value gives hi too), otherwise a value below lo gives lo.
#pragma once

#include <cstdint>

inline constexpr char kClampHeaderRevision[] =
    "%Z% TrafficAnalyser QX2120:04 Clamp.h $Revision: 1.1 $";

float ClampFloat(float lo, float value, float hi);
double ClampDouble(double lo, double value, double hi);
double ClampFloatValue(double lo, float value, double hi);
double ClampFloatLow(float lo, double value, double hi);

// Applied in double precision and truncated back.
std::int32_t ClampInt(std::int32_t lo, std::int32_t value, std::int32_t hi);

extern const char kClampSourceRevision[];
