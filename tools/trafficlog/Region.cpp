#include "tools/trafficlog/Region.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:52 Region.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kRegionHeaderRevision, kRevision});
}

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadiansPerDegree = kPi / 180.0;
// The mean Earth radius in nautical miles.
constexpr double kEarthRadiusNm = 3440.065;
constexpr int kMaxValues = 4;

// Exactly `count` finite numbers separated by commas.
bool ReadValues(const char* text, int count, double* values) {
    char copy[128];
    if (text == nullptr || CopyBounded(copy, text, sizeof copy) == nullptr ||
        std::strlen(text) >= sizeof copy) {
        return false;
    }
    char* parts[kMaxValues + 1] = {};
    if (SplitAtCharBounded(copy, ",", parts, kMaxValues) != count) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        char* end = nullptr;
        values[i] = std::strtod(parts[i], &end);
        if (end == parts[i] || *end != '\0' || !std::isfinite(values[i])) {
            return false;
        }
    }
    return true;
}

bool IsLatitude(double value) {
    return std::fabs(value) <= 90.0;
}

bool IsLongitude(double value) {
    return std::fabs(value) <= 180.0;
}
} // namespace

UnitVector ToUnitVector(double latitude, double longitude) {
    const double phi = latitude * kRadiansPerDegree;
    const double lambda = longitude * kRadiansPerDegree;
    const double c = std::cos(phi);
    return {c * std::cos(lambda), c * std::sin(lambda), std::sin(phi)};
}

double ChordSquared(const UnitVector& a, const UnitVector& b) {
    const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return dx * dx + dy * dy + dz * dz;
}

GeoPoint PointOf(const UnitVector& sum) {
    const double horizontal = std::hypot(sum.x, sum.y);
    if (horizontal == 0 && sum.z == 0) {
        return {};
    }
    return {std::atan2(sum.z, horizontal) / kRadiansPerDegree,
            horizontal == 0 ? 0 : std::atan2(sum.y, sum.x) / kRadiansPerDegree};
}

bool Region::SetAround(const char* text, char* problem, int size) {
    RegisterModule();
    double values[3] = {};
    if (!ReadValues(text, 3, values)) {
        FormatBounded(problem, size, "--around takes LAT,LON,RADIUS_NM, three numbers");
        return false;
    }
    if (!IsLatitude(values[0]) || !IsLongitude(values[1])) {
        FormatBounded(problem, size, "--around: latitude or longitude out of range");
        return false;
    }
    // Half the Earth's circumference reaches every point.
    if (values[2] <= 0 || values[2] > kPi * kEarthRadiusNm) {
        FormatBounded(problem, size, "--around: the radius must be above 0 and at most %.0f NM",
                      kPi * kEarthRadiusNm);
        return false;
    }
    hasCircle = true;
    circleCentre = {values[0], values[1]};
    radiusNm = values[2];
    circleVector = ToUnitVector(values[0], values[1]);
    const double chord = 2.0 * std::sin(radiusNm / kEarthRadiusNm / 2.0);
    maxChordSquared = chord * chord;
    return true;
}

bool Region::SetBox(const char* text, char* problem, int size) {
    RegisterModule();
    double values[4] = {};
    if (!ReadValues(text, 4, values)) {
        FormatBounded(problem, size, "--box takes S,W,N,E, four numbers");
        return false;
    }
    if (!IsLatitude(values[0]) || !IsLatitude(values[2]) || !IsLongitude(values[1]) ||
        !IsLongitude(values[3])) {
        FormatBounded(problem, size, "--box: latitude or longitude out of range");
        return false;
    }
    if (values[0] > values[2]) {
        FormatBounded(problem, size, "--box: south %g lies north of north %g", values[0],
                      values[2]);
        return false;
    }
    hasBox = true;
    south = values[0];
    west = values[1];
    north = values[2];
    east = values[3];
    return true;
}

bool Region::Contains(double latitude, double longitude) const {
    if (hasBox) {
        if (latitude < south || latitude > north) {
            return false;
        }
        const bool inLongitude = west <= east ? longitude >= west && longitude <= east
                                              : longitude >= west || longitude <= east;
        if (!inLongitude) {
            return false;
        }
    }
    return !hasCircle ||
           ChordSquared(circleVector, ToUnitVector(latitude, longitude)) <= maxChordSquared;
}

GeoPoint Region::Centre() const {
    if (hasCircle) {
        return circleCentre;
    }
    // The middle of a box that crosses the 180th meridian lies across it too.
    double middle = (west + east) / 2.0;
    if (west > east) {
        middle += middle > 0 ? -180.0 : 180.0;
    }
    return {(south + north) / 2.0, middle};
}

void Region::Describe(char* text, int size) const {
    char circle[96] = {};
    char box[96] = {};
    if (hasCircle) {
        FormatBounded(circle, sizeof circle, "within %g NM of %.5f, %.5f", radiusNm,
                      circleCentre.latitude, circleCentre.longitude);
    }
    if (hasBox) {
        FormatBounded(box, sizeof box, "in the box S %g, W %g, N %g, E %g", south, west, north,
                      east);
    }
    FormatBounded(text, size, "%s%s%s", circle, hasCircle && hasBox ? " and " : "", box);
}
