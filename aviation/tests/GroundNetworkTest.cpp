#include "aviation/GroundNetwork.h"
#include "aviation/AircraftMotion.h"
#include "aviation/tests/AirportScript.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace {

// A small apron north of Honolulu's runway 08L: a taxiway along it from west to east (nodes 1
// to 3, both ways), a stub north to a parking (index 10) and an arc to a node no file gave.
constexpr GeodeticPosition kApron{21.3300, -157.9300, 0};

GeodeticPosition At(double north, double east) {
    return Displaced(kApron, {north, east, 0});
}

GroundNetwork Apron() {
    GroundNetwork network;
    const auto node = [&network](std::int64_t index, double north, double east) {
        const GeodeticPosition p = At(north, east);
        network.AddNode(index, p.latitude, p.longitude);
    };
    node(1, 0, 0);
    node(2, 0, 300);
    node(3, 40, 600);
    node(4, 150, 300);
    const GeodeticPosition stand = At(200, 300);
    network.AddParking(10, {stand.latitude, stand.longitude, 123.0, 30});
    for (const auto& [a, b] : {std::pair{1, 2}, {2, 3}, {2, 4}, {4, 10}}) {
        network.AddArc(a, b);
        network.AddArc(b, a);
    }
    network.AddArc(3, 99);
    EXPECT_EQ(network.Finish(), 1);
    return network;
}

double Distance(double latitude, double longitude, const GeodeticPosition& to) {
    const LocalOffset offset = OffsetBetween({latitude, longitude, 0}, to);
    return std::hypot(offset.north, offset.east);
}

TEST(GroundNetwork, CountsWhatItHolds) {
    const GroundNetwork network = Apron();
    EXPECT_EQ(network.NodeCount(), 4u);
    EXPECT_EQ(network.ParkingCount(), 1u);
    EXPECT_EQ(network.ArcCount(), 8u);
}

// Within 25 m of an arc the aircraft is put on it and turned along it, the way it goes; further
// off it is left alone.
TEST(GroundNetwork, SnapsToTheNearestArcWithin25Metres) {
    const GroundNetwork network = Apron();
    struct Case {
        double north;
        double east;
        double track;
        bool snapped;
        GeodeticPosition on;
        double heading;
    };
    const double slant = std::atan2(300.0, 40.0) * kDegrees; // node 2 to node 3
    const Case cases[] = {
        {10, 100, 80, true, At(0, 100), 90},
        {-20, 150, 275, true, At(0, 150), 270},
        {-24, 150, 90, true, At(0, 150), 90},
        {-26, 150, 90, false, {}, 0},
        {12, 305, 10, true, At(12, 300), 0},
        {80, 290, 185, true, At(80, 300), 180},
        {20 + 5, 450 - 40.0 / 300 * 5, slant, true, At(20, 450), slant},
        {0, -30, 90, false, {}, 0},
        {500, 500, 0, false, {}, 0},
    };
    for (const Case& c : cases) {
        const GeodeticPosition p = At(c.north, c.east);
        const auto snap = network.Snap(p.latitude, p.longitude, c.track);
        ASSERT_EQ(snap.has_value(), c.snapped) << c.north << " " << c.east;
        if (snap) {
            EXPECT_LT(Distance(snap->latitude, snap->longitude, c.on), 0.05)
                << c.north << " " << c.east;
            EXPECT_NEAR(std::remainder(snap->heading - c.heading, 360), 0, 0.05)
                << c.north << " " << c.east;
            EXPECT_NEAR(snap->distance, Distance(p.latitude, p.longitude, c.on), 0.05);
        }
    }
}

// A file whose coordinates put one node far off (a slip of a sign, say) still gives a network
// that answers for the rest, and for the long arc too.
TEST(GroundNetwork, AnArcFarAcrossTheMapDoesNotSpoilTheRest) {
    GroundNetwork network = Apron();
    GroundNetwork broken;
    for (const auto& [index, north, east] :
         {std::tuple{1, 0.0, 0.0}, {2, 0.0, 300.0}, {3, 40.0, 600.0}, {5, 400000.0, 0.0}}) {
        const GeodeticPosition p = At(north, east);
        broken.AddNode(index, p.latitude, p.longitude);
    }
    for (const auto& [a, b] : {std::pair{1, 2}, {2, 3}, {1, 5}}) {
        broken.AddArc(a, b);
    }
    EXPECT_EQ(broken.Finish(), 0);
    for (const GroundNetwork* n : {&network, &broken}) {
        const GeodeticPosition near = At(10, 100);
        const auto snap = n->Snap(near.latitude, near.longitude, 90);
        ASSERT_TRUE(snap.has_value());
        EXPECT_LT(Distance(snap->latitude, snap->longitude, At(0, 100)), 0.05);
    }
    const GeodeticPosition alongside = At(200000, 12);
    const auto far = broken.Snap(alongside.latitude, alongside.longitude, 0);
    ASSERT_TRUE(far.has_value());
    EXPECT_NEAR(far->distance, 12, 0.5);
}

TEST(GroundNetwork, ParkingWithinItsRadius) {
    const GroundNetwork network = Apron();
    const GeodeticPosition inside = At(220, 310);
    const ParkingSpot* parking = network.ParkingAt(inside.latitude, inside.longitude);
    ASSERT_NE(parking, nullptr);
    EXPECT_EQ(parking->heading, 123.0);
    const GeodeticPosition outside = At(235, 300);
    EXPECT_EQ(network.ParkingAt(outside.latitude, outside.longitude), nullptr);
}

// A taxiing aircraft is shown on the taxiway as it moves between its fixes; one standing in a
// parking points as the parking does, with its engines off; without a network both stay as
// their records have them.
TEST(GroundNetwork, TaxiingAndParkedAircraftFollowTheNetwork) {
    const GroundNetwork network = Apron();
    const auto airports = HonoluluAlone();
    MotionContext context;
    context.airports = airports.get();
    context.network = &network;
    context.onGround = true;
    const GeodeticPosition off = At(-12, 40);
    const TrafficFix taxiing{{off.latitude, off.longitude, 0}, 88, 8, 0};
    AircraftMotion motion;
    motion.Start(taxiing, 0, context);
    ASSERT_EQ(motion.Phase(), FlightPhase::Taxi);
    for (double t = 0; t <= 20; t += 1) {
        const ShownAircraft shown = motion.At(t);
        EXPECT_NEAR(OffsetBetween(kApron, shown.position).north, 0, 0.05) << t;
        EXPECT_NEAR(shown.attitude.heading, 90, 0.05) << t;
        EXPECT_NEAR(shown.position.height, kHonoluluElevation, 1e-4) << t;
    }
    const GeodeticPosition stand = At(215, 290);
    const TrafficFix parked{{stand.latitude, stand.longitude, 0}, 17, 0, 0};
    motion.Update(parked, 30, 30, context);
    EXPECT_EQ(motion.Phase(), FlightPhase::Parked);
    EXPECT_EQ(motion.At(40).attitude.heading, 123.0);
    EXPECT_EQ(motion.At(40).configuration.n1, 0);

    context.network = nullptr;
    AircraftMotion alone;
    alone.Start(taxiing, 0, context);
    EXPECT_NEAR(OffsetBetween(kApron, alone.At(0).position).north, -12, 0.05);
    EXPECT_EQ(alone.At(0).attitude.heading, 88);
    alone.Update(parked, 30, 30, context);
    EXPECT_EQ(alone.At(40).attitude.heading, 17);
    EXPECT_GT(alone.At(40).configuration.n1, 0);
}

} // namespace
