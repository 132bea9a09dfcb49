// The own-ship's pressure altitude and height above the ground for the traffic alerts: from
// FlightGear's property server while its readings are fresh, carried between reads as offsets
// from FlightGear's altitude; otherwise the altitude and the nearest airport within 10 NM.

#include "tools/fg/OwnShipHeights.h"

#include "traffic/Units.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kFt = units::kMetresPerFoot;
// Heathrow's field elevation, 83 ft.
constexpr double kFieldFt = 83;
constexpr GeodeticPosition kHeathrow{51.4706, -0.4619, 0};

AirportIndex OneField() {
    AirportIndex index;
    index.AddAirport("EGLL", kFieldFt, AirportKind::Land);
    index.AddPlace(kHeathrow.latitude, kHeathrow.longitude);
    index.Finish();
    return index;
}

// `north` metres north of the field at `heightFt` above sea level.
GeodeticPosition At(double north, double heightFt) {
    GeodeticPosition p = Displaced(kHeathrow, {north, 0, 0});
    p.height = heightFt * kFt;
    return p;
}

TEST(OwnShipHeights, WithoutTheServerTheAltitudeAndTheNearestAirportWithin10Nm) {
    const AirportIndex airports = OneField();
    const FgOwnReadings none;
    struct Case {
        const char* what;
        double north;
        const AirportIndex* index;
        std::optional<double> aboveGroundFt;
    };
    const Case cases[] = {
        {"over the field", 0, &airports, 1500 - kFieldFt},
        {"9.9 NM out", 9.9 * 1852, &airports, 1500 - kFieldFt},
        {"10.1 NM out", 10.1 * 1852, &airports, std::nullopt},
        {"no airports", 0, nullptr, std::nullopt},
    };
    for (const Case& c : cases) {
        const OwnShipHeights h = HeightsOf(At(c.north, 1500), none, c.index, 100);
        EXPECT_NEAR(h.pressureAltitude, 1500 * kFt, 1e-9) << c.what;
        ASSERT_EQ(h.aboveGround.has_value(), c.aboveGroundFt.has_value()) << c.what;
        if (c.aboveGroundFt) {
            EXPECT_NEAR(*h.aboveGround, *c.aboveGroundFt * kFt, 1e-4) << c.what;
        }
    }
}

// Read at 100 s at 1500 ft: the altimeter said 1620 ft (a low-pressure day), the terrain 1400 ft
// below (a hill under the own-ship). At 103 s the own-ship is 100 ft lower: both move with it.
TEST(OwnShipHeights, TheServersReadingsAreCarriedWithTheAltitudeWhileFresh) {
    const AirportIndex airports = OneField();
    const FgOwnReadings read{1620 * kFt, 1400 * kFt, 1500 * kFt, 100};
    OwnShipHeights h = HeightsOf(At(0, 1400), read, &airports, 103);
    EXPECT_NEAR(h.pressureAltitude, 1520 * kFt, 1e-9);
    ASSERT_TRUE(h.aboveGround.has_value());
    EXPECT_NEAR(*h.aboveGround, 1300 * kFt, 1e-9);
    // Older than 5 s: a server that stopped answering; the field stands in for the ground.
    h = HeightsOf(At(0, 1400), read, &airports, 105.5);
    EXPECT_NEAR(h.pressureAltitude, 1400 * kFt, 1e-9);
    ASSERT_TRUE(h.aboveGround.has_value());
    EXPECT_NEAR(*h.aboveGround, (1400 - kFieldFt) * kFt, 1e-4);
    // Only the altimeter read: the ground still from the field.
    const FgOwnReadings altimeter{1620 * kFt, std::nullopt, 1500 * kFt, 100};
    h = HeightsOf(At(0, 1500), altimeter, &airports, 101);
    EXPECT_NEAR(h.pressureAltitude, 1620 * kFt, 1e-9);
    EXPECT_NEAR(*h.aboveGround, (1500 - kFieldFt) * kFt, 1e-4);
}

} // namespace
