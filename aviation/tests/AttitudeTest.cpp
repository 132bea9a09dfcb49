#include "aviation/Attitude.h"
#include "traffic/Units.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kTolerance = 1e-9;

Vector3 North(double latitude, double longitude) {
    const double phi = latitude * kRadians;
    const double lambda = longitude * kRadians;
    return {-std::sin(phi) * std::cos(lambda), -std::sin(phi) * std::sin(lambda), std::cos(phi)};
}

Vector3 East(double longitude) {
    const double lambda = longitude * kRadians;
    return {-std::sin(lambda), std::cos(lambda), 0};
}

Quaternion FromAttitude(const Vector3& v) {
    const double angle = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    const double s = std::sin(angle / 2) / angle;
    return {std::cos(angle / 2), v.x * s, v.y * s, v.z * s};
}

void ExpectNear(const Vector3& a, const Vector3& b, double tolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

// The nose of an aircraft heading h points along cos(h) north + sin(h) east, with north and
// east worked out from the latitude and longitude alone, not from any rotation here.
TEST(Attitude, NosePointsAlongTheHeadingAtSeveralLatitudes) {
    for (const double latitude : {-60.0, 0.0, 50.45, 75.0}) {
        for (const double longitude : {-120.0, 0.01, 100.0}) {
            for (const double heading : {0.0, 90.0, 180.0, 270.0}) {
                SCOPED_TRACE(testing::Message() << latitude << " " << longitude << " " << heading);
                const GeodeticPosition at{latitude, longitude, 1000};
                const Vector3 attitude = AttitudeVector(at, {heading, 0, 0});
                const Vector3 nose = Rotate(FromAttitude(attitude), {1, 0, 0});
                const Vector3 n = North(latitude, longitude);
                const Vector3 e = East(longitude);
                const double c = std::cos(heading * kRadians);
                const double s = std::sin(heading * kRadians);
                ExpectNear(nose, {c * n.x + s * e.x, c * n.y + s * e.y, c * n.z + s * e.z}, 1e-6);
                const EulerAngles back = AnglesOf(at, attitude);
                EXPECT_NEAR(std::remainder(back.heading - heading, 360.0), 0, 1e-6);
                EXPECT_NEAR(back.pitch, 0, 1e-6);
                EXPECT_NEAR(back.roll, 0, 1e-6);
            }
        }
    }
}

// Heading, pitch and roll come back from their attitude vector, whose angle stays within pi.
TEST(Attitude, AnglesComeBackAndTheAngleStaysWithinPi) {
    const GeodeticPosition at{50.45, 0.01, 914.4};
    const EulerAngles cases[] = {{45, 10, -20}, {300, -15, 30}, {179.5, 5, 0}, {0.25, 0, 0}};
    for (const EulerAngles& angles : cases) {
        const Vector3 attitude = AttitudeVector(at, angles);
        EXPECT_LE(
            std::sqrt(attitude.x * attitude.x + attitude.y * attitude.y + attitude.z * attitude.z),
            units::kPi + kTolerance);
        const EulerAngles back = AnglesOf(at, attitude);
        EXPECT_NEAR(back.heading, angles.heading, 1e-6);
        EXPECT_NEAR(back.pitch, angles.pitch, 1e-6);
        EXPECT_NEAR(back.roll, angles.roll, 1e-6);
    }
}

TEST(Attitude, BodyVelocityTurnsIntoNorthEastDown) {
    const GeodeticPosition at{50.45, 0.01, 914.4};
    // Heading east, climbing at 10 degrees: 100 m/s along the nose.
    const Vector3 local = BodyToLocal(at, AttitudeVector(at, {90, 10, 0}), {100, 0, 0});
    ExpectNear(local, {0, 100 * std::cos(10 * kRadians), -100 * std::sin(10 * kRadians)}, 1e-6);
    // Right wing down: the body's y axis points down-right.
    const Vector3 wing = BodyToLocal(at, AttitudeVector(at, {0, 0, 30}), {0, 1, 0});
    ExpectNear(wing, {0, std::cos(30 * kRadians), std::sin(30 * kRadians)}, 1e-6);
}

} // namespace

TEST(Attitude, CoordinatedBankFollowsTheFormulaWithinTheCap) {
    const struct {
        double speed;
        double rate;
        double bank;
    } cases[] = {
        {0, 3, 0},
        {100, 0, 0},
        {70, 3, std::atan(70 * 3 * kRadians / kStandardGravity) * kDegrees},
        {70, -3, -std::atan(70 * 3 * kRadians / kStandardGravity) * kDegrees},
        {250, 3, kMaxBankDegrees},
        {250, -3, -kMaxBankDegrees},
        {100, std::nan(""), 0},
        {std::numeric_limits<double>::infinity(), 3, kMaxBankDegrees},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(CoordinatedBank(c.speed, c.rate), c.bank, 1e-12) << c.speed << " " << c.rate;
    }
}
