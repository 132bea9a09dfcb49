#pragma once
// Aircraft attitude against the earth: the rotation that turns vectors of the body frame
// (x forward, y right, z down) into the earth-fixed frame, given as rotation axis times angle. The
// local level frame at a position is north-east-down.

#include "aviation/Geodesy.h"

struct Vector3 {
    double x;
    double y;
    double z;
};

// Hamilton quaternion w + xi + yj + zk; a unit quaternion turns v into q v q*.
struct Quaternion {
    double w;
    double x;
    double y;
    double z;
};

struct EulerAngles {
    double heading; // degrees true, 0 to 360
    double pitch;   // degrees, nose up positive
    double roll;    // degrees, right wing down positive
};

Quaternion Multiply(const Quaternion& a, const Quaternion& b);
Vector3 Rotate(const Quaternion& q, const Vector3& v);
Quaternion Conjugate(const Quaternion& q);

// The rotation that turns north-east-down vectors at a position into earth-fixed ones.
Quaternion LocalLevelFrame(double latitude, double longitude);

// The body attitude in the earth-fixed frame, as axis times angle (radians), the angle no more
// than pi.
Vector3 AttitudeVector(const GeodeticPosition& position, const EulerAngles& angles);
// Heading, pitch and roll of an attitude vector at a position.
EulerAngles AnglesOf(const GeodeticPosition& position, const Vector3& attitude);
// A vector given in the body frame of an attitude (such as the velocity a message carries)
// in the position's north-east-down frame.
Vector3 BodyToLocal(const GeodeticPosition& position, const Vector3& attitude, const Vector3& body);

// The steepest bank traffic is shown with: airliners keep within it in a normal turn.
inline constexpr double kMaxBankDegrees = 30.0;
inline constexpr double kStandardGravity = 9.80665; // m/s²

// The bank of a coordinated turn at `speed` (m/s) turning at `turnRate` (degrees a second,
// right positive): tan(bank) = speed × rate / g, at most kMaxBankDegrees either way. Degrees,
// right wing down positive; 0 for a rate or speed that is no number.
double CoordinatedBank(double speed, double turnRate);
