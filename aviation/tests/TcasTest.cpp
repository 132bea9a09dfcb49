#include "aviation/Tcas.h"

#include "aviation/tests/TcasScript.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(Tcas, SensitivityLevelsFollowTheOwnAltitude) {
    struct Case {
        double altitudeFt;
        int level;
        double taTau;
        double raTau;
        double raZthrFt;
    };
    const Case cases[] = {{500, 2, 20, 0, 0},     {1500, 3, 25, 15, 600},  {3000, 4, 30, 20, 600},
                          {9999, 5, 40, 25, 600}, {10000, 6, 45, 30, 600}, {30000, 7, 48, 35, 700},
                          {45000, 7, 48, 35, 800}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.altitudeFt);
        const TcasThresholds t = ThresholdsFor(c.altitudeFt * kFt);
        EXPECT_EQ(t.level, c.level);
        EXPECT_EQ(t.taTau, c.taTau);
        EXPECT_EQ(t.raTau, c.raTau);
        EXPECT_NEAR(t.raZthr, c.raZthrFt * kFt, 1e-9);
    }
    EXPECT_NEAR(ThresholdsFor(15000 * kFt).taDmod, 1852.0, 1e-9);
    EXPECT_NEAR(ThresholdsFor(15000 * kFt).raDmod, 0.8 * 1852.0, 1e-9);
}

// A height exactly on an edge is in the band above it; the nearest height below it, one step of
// a double in metres, is still in the band below, even where dividing by the foot rounds it up
// onto the edge (2350 ft).
TEST(Tcas, EachBandHoldsItsLowerEdgeAndNotItsUpperOne) {
    // A band as its level and its RA altitude threshold (which tells apart the two of level 7).
    struct Band {
        int level;
        double raZthrFt;
    };
    struct Edge {
        double feet;
        Band below;
        Band from;
    };
    const Edge edges[] = {{1000, {2, 0}, {3, 600}},    {2350, {3, 600}, {4, 600}},
                          {5000, {4, 600}, {5, 600}},  {10000, {5, 600}, {6, 600}},
                          {20000, {6, 600}, {7, 700}}, {42000, {7, 700}, {7, 800}}};
    for (const Edge& e : edges) {
        SCOPED_TRACE(e.feet);
        const double edge = e.feet * kFt;
        for (const double height : {std::nextafter(edge, 0.0), edge, std::nextafter(edge, 1e9)}) {
            const Band expected = height < edge ? e.below : e.from;
            const TcasThresholds t = ThresholdsFor(height);
            EXPECT_EQ(t.level, expected.level) << height - edge;
            EXPECT_NEAR(t.raZthr, expected.raZthrFt * kFt, 1e-9) << height - edge;
        }
    }
}

TEST(Tcas, TheWorstOfSeveralIntrudersCounts) {
    const TcasAircraft own = kOwn.At(0);
    const TcasAircraft far = HeadOn(40000, 0).At(0);
    const TcasAircraft near = HeadOn(5000, -200).At(0);
    const TcasAircraft list[] = {far, near, far};
    const TcasThreat worst = WorstThreat(own, list);
    EXPECT_EQ(worst.level, TcasLevel::Resolution);
    EXPECT_EQ(worst.sense, TcasSense::Climb);
    EXPECT_EQ(WorstThreat(own, {}).level, TcasLevel::None);
}

} // namespace
