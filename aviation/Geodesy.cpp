#include "aviation/Geodesy.h"

#include <cmath>

namespace {
constexpr double kA = kWgs84SemiMajorAxis;
constexpr double kE2 = kWgs84Eccentricity2;

// Radii of curvature in the meridian and in the prime vertical at `latitude` (radians).
double MeridianRadius(double latitude) {
    const double s = std::sin(latitude);
    const double w = std::sqrt(1.0 - kE2 * s * s);
    return kA * (1.0 - kE2) / (w * w * w);
}

double PrimeVerticalRadius(double latitude) {
    const double s = std::sin(latitude);
    return kA / std::sqrt(1.0 - kE2 * s * s);
}

// The smallest cosine used for east-west distances, so that a pole gives no division by zero.
constexpr double kMinCosine = 1e-9;

double WrapLongitude(double degrees) {
    const double wrapped = std::remainder(degrees, 360.0);
    return wrapped == -180.0 ? 180.0 : wrapped;
}
} // namespace

EarthFixed ToEarthFixed(const GeodeticPosition& position) {
    const double phi = position.latitude * kRadians;
    const double lambda = position.longitude * kRadians;
    const double n = PrimeVerticalRadius(phi);
    const double r = (n + position.height) * std::cos(phi);
    return {r * std::cos(lambda), r * std::sin(lambda),
            (n * (1.0 - kE2) + position.height) * std::sin(phi)};
}

// H. Vermeille, "Computing geodetic coordinates from geocentric coordinates", Journal of
// Geodesy 78 (2004): closed form, no iteration.
GeodeticPosition ToGeodetic(const EarthFixed& point) {
    const double e4 = kE2 * kE2;
    const double horizontal = std::hypot(point.x, point.y);
    const double p = (horizontal * horizontal) / (kA * kA);
    const double q = (1.0 - kE2) * point.z * point.z / (kA * kA);
    const double r = (p + q - e4) / 6.0;
    const double s = e4 * p * q / (4.0 * r * r * r);
    const double t = std::cbrt(1.0 + s + std::sqrt(s * (2.0 + s)));
    const double u = r * (1.0 + t + 1.0 / t);
    const double v = std::sqrt(u * u + e4 * q);
    const double w = kE2 * (u + v - q) / (2.0 * v);
    const double k = std::sqrt(u + v + w * w) - w;
    const double d = k * horizontal / (k + kE2);
    const double dz = std::hypot(d, point.z);
    return {2.0 * std::atan2(point.z, d + dz) * kDegrees, std::atan2(point.y, point.x) * kDegrees,
            (k + kE2 - 1.0) / k * dz};
}

GeodeticPosition Displaced(const GeodeticPosition& position, const LocalOffset& offset) {
    const double phi = position.latitude * kRadians;
    const double cosine = std::fmax(std::cos(phi), kMinCosine);
    double latitude =
        position.latitude + offset.north / (MeridianRadius(phi) + position.height) * kDegrees;
    double longitude =
        position.longitude +
        offset.east / ((PrimeVerticalRadius(phi) + position.height) * cosine) * kDegrees;
    // Over a pole the track comes down the other side.
    if (latitude > 90.0 || latitude < -90.0) {
        latitude = std::copysign(180.0, latitude) - latitude;
        longitude += 180.0;
    }
    return {latitude, WrapLongitude(longitude), position.height + offset.up};
}

LocalOffset OffsetBetween(const GeodeticPosition& from, const GeodeticPosition& to) {
    const double phi = from.latitude * kRadians;
    const double cosine = std::fmax(std::cos(phi), kMinCosine);
    const double north =
        (to.latitude - from.latitude) * kRadians * (MeridianRadius(phi) + from.height);
    const double east = WrapLongitude(to.longitude - from.longitude) * kRadians *
                        (PrimeVerticalRadius(phi) + from.height) * cosine;
    return {north, east, to.height - from.height};
}
