#include "aviation/Geodesy.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kMillimetre = 0.001;
// One millimetre of latitude or longitude at the equator, in degrees.
constexpr double kMillimetreDegrees = 0.001 / 111000.0;

struct KnownPoint {
    const char* name;
    GeodeticPosition geodetic;
    EarthFixed earthFixed;
};

// Points whose earth-fixed coordinates are known independently of any formula here: the
// ellipsoid's axes, and the worked example of the geographic/geocentric conversion in IOGP
// Guidance Note 7-2 (53 48 33.820 N, 2 07 46.380 E, 73 m).
const KnownPoint kKnownPoints[] = {
    {"equator at Greenwich", {0, 0, 0}, {6378137.0, 0, 0}},
    {"equator at 90 E", {0, 90, 0}, {0, 6378137.0, 0}},
    {"equator at 180", {0, 180, 0}, {-6378137.0, 0, 0}},
    {"north pole", {90, 0, 0}, {0, 0, 6356752.314245}},
    {"south pole 1000 m up", {-90, 0, 1000}, {0, 0, -6357752.314245}},
    {"IOGP 7-2 example",
     {53.0 + 48.0 / 60 + 33.820 / 3600, 2.0 + 7.0 / 60 + 46.380 / 3600, 73.0},
     {3771793.968, 140253.342, 5124304.349}},
};

TEST(Geodesy, KnownPointsBothWaysWithinAMillimetre) {
    for (const KnownPoint& point : kKnownPoints) {
        SCOPED_TRACE(point.name);
        const EarthFixed e = ToEarthFixed(point.geodetic);
        EXPECT_NEAR(e.x, point.earthFixed.x, kMillimetre);
        EXPECT_NEAR(e.y, point.earthFixed.y, kMillimetre);
        EXPECT_NEAR(e.z, point.earthFixed.z, kMillimetre);
        const GeodeticPosition g = ToGeodetic(point.earthFixed);
        EXPECT_NEAR(g.latitude, point.geodetic.latitude, kMillimetreDegrees);
        EXPECT_NEAR(g.height, point.geodetic.height, kMillimetre);
        // Longitude has no meaning at a pole.
        if (std::fabs(point.geodetic.latitude) < 90) {
            EXPECT_NEAR(std::remainder(g.longitude - point.geodetic.longitude, 360.0), 0,
                        kMillimetreDegrees);
        }
    }
}

// Over the whole globe and from below sea level to far above airliners: a sphere or a single
// fixed-point step would be off by metres here.
TEST(Geodesy, RoundTripOverTheGlobeWithinAMillimetre) {
    for (double latitude = -89.5; latitude <= 89.5; latitude += 7.3) {
        for (double longitude = -179.0; longitude <= 180.0; longitude += 23.7) {
            for (const double height : {-430.0, 0.0, 914.4, 12500.0, 60000.0}) {
                const GeodeticPosition back =
                    ToGeodetic(ToEarthFixed({latitude, longitude, height}));
                const EarthFixed a = ToEarthFixed({latitude, longitude, height});
                const EarthFixed b = ToEarthFixed(back);
                EXPECT_LT(std::hypot(a.x - b.x, a.y - b.y, a.z - b.z), kMillimetre)
                    << latitude << " " << longitude << " " << height;
                EXPECT_NEAR(back.height, height, kMillimetre);
            }
        }
    }
}

TEST(Geodesy, DisplacedAndOffsetBetweenAgreeOverAFewKilometres) {
    const GeodeticPosition start{50.45, 0.01, 900};
    const LocalOffset offsets[] = {{2500, 0, 0}, {0, 2500, 0}, {-1800, 1800, -300}, {0, 0, 150}};
    for (const LocalOffset& offset : offsets) {
        const GeodeticPosition moved = Displaced(start, offset);
        const LocalOffset back = OffsetBetween(start, moved);
        EXPECT_NEAR(back.north, offset.north, 0.01);
        EXPECT_NEAR(back.east, offset.east, 0.01);
        EXPECT_NEAR(back.up, offset.up, 1e-9);
        // Against the exact distance through the earth-fixed frame.
        const EarthFixed a = ToEarthFixed(start);
        const EarthFixed b = ToEarthFixed(moved);
        EXPECT_NEAR(std::hypot(b.x - a.x, b.y - a.y, b.z - a.z),
                    std::hypot(offset.north, offset.east, offset.up), 1.0);
    }
}

TEST(Geodesy, DisplacedStaysOnTheGlobe) {
    // East over the antimeridian.
    const GeodeticPosition east = Displaced({0, 179.99, 0}, {0, 5000, 0});
    EXPECT_LT(east.longitude, -179.9);
    EXPECT_NEAR(OffsetBetween({0, 179.99, 0}, east).east, 5000, 1);
    // North over the pole: down the other side.
    const GeodeticPosition over = Displaced({89.99, 10, 0}, {5000, 0, 0});
    EXPECT_LE(over.latitude, 90.0);
    EXPECT_GT(over.latitude, 89.9);
    EXPECT_NEAR(over.longitude, -170, 1e-9);
}

} // namespace
