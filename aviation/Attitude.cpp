#include "aviation/Attitude.h"

#include "traffic/Units.h"

#include <algorithm>
#include <cmath>

namespace {
// Rotations by `angle` radians about one axis.
Quaternion AboutX(double angle) {
    return {std::cos(angle / 2), std::sin(angle / 2), 0, 0};
}
Quaternion AboutY(double angle) {
    return {std::cos(angle / 2), 0, std::sin(angle / 2), 0};
}
Quaternion AboutZ(double angle) {
    return {std::cos(angle / 2), 0, 0, std::sin(angle / 2)};
}

// Below this angle the axis of a rotation is lost in rounding: the vector part alone serves.
constexpr double kSmallAngle = 1e-12;

Quaternion FromVector(const Vector3& v) {
    const double angle = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (angle < kSmallAngle) {
        return {1, v.x / 2, v.y / 2, v.z / 2};
    }
    const double s = std::sin(angle / 2) / angle;
    return {std::cos(angle / 2), v.x * s, v.y * s, v.z * s};
}

Vector3 ToVector(Quaternion q) {
    // q and -q are the same rotation; the one with w >= 0 has the angle within pi.
    if (q.w < 0) {
        q = {-q.w, -q.x, -q.y, -q.z};
    }
    const double sine = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
    if (sine < kSmallAngle) {
        return {2 * q.x, 2 * q.y, 2 * q.z};
    }
    const double scale = 2 * std::atan2(sine, q.w) / sine;
    return {q.x * scale, q.y * scale, q.z * scale};
}

double Clamp1(double value) {
    return value > 1 ? 1 : (value < -1 ? -1 : value);
}
} // namespace

Quaternion Multiply(const Quaternion& a, const Quaternion& b) {
    return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,
            a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Quaternion Conjugate(const Quaternion& q) {
    return {q.w, -q.x, -q.y, -q.z};
}

Vector3 Rotate(const Quaternion& q, const Vector3& v) {
    const Quaternion turned = Multiply(Multiply(q, {0, v.x, v.y, v.z}), Conjugate(q));
    return {turned.x, turned.y, turned.z};
}

Quaternion LocalLevelFrame(double latitude, double longitude) {
    return Multiply(AboutZ(longitude * kRadians), AboutY(-units::kPi / 2 - latitude * kRadians));
}

Vector3 AttitudeVector(const GeodeticPosition& position, const EulerAngles& angles) {
    const Quaternion body =
        Multiply(Multiply(AboutZ(angles.heading * kRadians), AboutY(angles.pitch * kRadians)),
                 AboutX(angles.roll * kRadians));
    return ToVector(Multiply(LocalLevelFrame(position.latitude, position.longitude), body));
}

EulerAngles AnglesOf(const GeodeticPosition& position, const Vector3& attitude) {
    const Quaternion q = Multiply(Conjugate(LocalLevelFrame(position.latitude, position.longitude)),
                                  FromVector(attitude));
    const double heading =
        std::atan2(2 * (q.w * q.z + q.x * q.y), 1 - 2 * (q.y * q.y + q.z * q.z)) * kDegrees;
    return {heading < 0 ? heading + 360 : heading,
            std::asin(Clamp1(2 * (q.w * q.y - q.z * q.x))) * kDegrees,
            std::atan2(2 * (q.w * q.x + q.y * q.z), 1 - 2 * (q.x * q.x + q.y * q.y)) * kDegrees};
}

Vector3 BodyToLocal(const GeodeticPosition& position, const Vector3& attitude,
                    const Vector3& body) {
    const Quaternion local = Conjugate(LocalLevelFrame(position.latitude, position.longitude));
    return Rotate(Multiply(local, FromVector(attitude)), body);
}

double CoordinatedBank(double speed, double turnRate) {
    const double bank = std::atan(speed * turnRate * kRadians / kStandardGravity) * kDegrees;
    if (!std::isfinite(bank)) {
        return 0;
    }
    return std::clamp(bank, -kMaxBankDegrees, kMaxBankDegrees);
}
