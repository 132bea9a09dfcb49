// A live feed's aircraft written where they were at their entry's whole-second stamp: moved on
// from the moment each message came by the aircraft's last velocity, or as heard without one.
#include "tools/trafficlog/sources/BaseStationTracker.h"

#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

namespace {

constexpr std::int64_t kStamp = 1717243210;
constexpr double kMetresPerDegree = 6371000.0 * 3.14159265358979 / 180.0;
constexpr double kKnot = 1852.0 / 3600.0;

struct Written {
    double latitude, longitude, altitude;
};

class Feed {
public:
    // A message of the given transmission type and fields after the time, heard `before`
    // seconds before the stamp.
    void Hear(double before, int type, const char* hex, const std::string& rest) {
        std::string line = "MSG," + std::to_string(type) + ",1,1," + hex +
                           ",1,2024/06/01,12:00:00.000,2024/06/01,12:00:00.000," + rest;
        double time = 0;
        char reason[200];
        ASSERT_EQ(tracker.Take(line.data(), false, static_cast<double>(kStamp) - before, time,
                               reason, sizeof reason),
                  MessageKind::Used)
            << reason;
    }
    void Position(double before, const char* hex, const char* feet, const char* lat,
                  const char* lon) {
        Hear(before, 3, hex, std::string(",") + feet + ",,," + lat + "," + lon + ",,,0,0,0,0");
    }
    void Altitude(double before, const char* hex, const char* feet) {
        Hear(before, 3, hex, std::string(",") + feet + ",,,,,,,0,0,0,0");
    }
    void Velocity(double before, const char* hex, const char* knots, const char* track,
                  const char* fpm) {
        Hear(before, 4, hex, std::string(",,") + knots + "," + track + ",,," + fpm + ",,0,0,0,0");
    }

    // The aircraft of one entry stamped kStamp + `later`, by address.
    std::map<std::string, Written> Entry(BaseStationTracker::Stamping stamping, int later = 0) {
        TempFile file(".dat");
        TrafficFileWriter writer;
        Region everywhere;
        EntryAssembler assembler(writer, everywhere);
        EXPECT_TRUE(writer.Open(file.Path(), "test") && assembler.Start(kStamp + later));
        tracker.OfferEntry(kStamp + later, 15, assembler, stamping);
        EXPECT_TRUE(assembler.Finish() && writer.Finish());
        std::map<std::string, Written> aircraft;
        std::istringstream lines(file.Read());
        for (std::string line; std::getline(lines, line);) {
            char* fields[13] = {};
            if (SplitAtCharBounded(line.data(), "|", fields, 12) == 10) {
                EXPECT_EQ(std::string(fields[2]), std::to_string(kStamp + later));
                aircraft[fields[1]] = {std::atof(fields[3]), std::atof(fields[4]),
                                       std::atof(fields[5])};
            }
        }
        return aircraft;
    }

    BaseStationTracker tracker;
};

// North and east of `from` to `to`, in metres.
double North(const Written& from, const Written& to) {
    return (to.latitude - from.latitude) * kMetresPerDegree;
}
double East(const Written& from, const Written& to) {
    return (to.longitude - from.longitude) * kMetresPerDegree *
           std::cos(from.latitude * 3.14159265358979 / 180.0);
}

TEST(BaseStationTracker, MovesEachPositionOnToItsStampByTheLastVelocity) {
    Feed feed;
    // East at 300 kt, climbing 1000 ft/min; the position 0.6 s before the stamp, its altitude
    // 0.2 s before.
    feed.Velocity(3.0, "4CA001", "300", "90.0", "1000");
    feed.Position(0.6, "4CA001", "10000", "51.00000", "0.00000");
    feed.Altitude(0.2, "4CA001", "10000");
    // North-west at 200 kt, descending, heard 0.9 s before; its velocity came after it.
    feed.Position(0.9, "4CA002", "8000", "50.50000", "0.50000");
    feed.Velocity(0.4, "4CA002", "200", "315.0", "-2000");

    const auto heard = feed.Entry(BaseStationTracker::Stamping::AsHeard);
    const auto moved = feed.Entry(BaseStationTracker::Stamping::MovedToStamp);
    ASSERT_EQ(heard.size(), 2u);
    ASSERT_EQ(moved.size(), 2u);

    const Written& east = moved.at("4CA001");
    const Written& eastHeard = heard.at("4CA001");
    EXPECT_NEAR(East(eastHeard, east), 300 * kKnot * 0.6, 2.0);
    EXPECT_NEAR(North(eastHeard, east), 0.0, 2.0);
    EXPECT_NEAR(east.altitude - eastHeard.altitude, 1000 * 0.3048 / 60 * 0.2, 0.11);

    const Written& northWest = moved.at("4CA002");
    const Written& northWestHeard = heard.at("4CA002");
    const double along = 200 * kKnot * 0.9 / std::sqrt(2.0);
    EXPECT_NEAR(North(northWestHeard, northWest), along, 2.0);
    EXPECT_NEAR(East(northWestHeard, northWest), -along, 2.0);
    EXPECT_NEAR(northWest.altitude - northWestHeard.altitude, -2000 * 0.3048 / 60 * 0.9, 0.11);
}

// An aircraft without a velocity cannot be moved on: it is written where it was heard, once it
// has had time to send one; until then (2 s of its messages) it is left out, so that it never
// stands still in an entry only to jump at the next.
TEST(BaseStationTracker, HoldsBackANewAircraftUntilItsVelocityOrTwoSecondsCame) {
    Feed feed;
    feed.Position(5.0, "4CA003", "3000", "50.20000", "0.10000");
    feed.Position(4.0, "4CA003", "3000", "50.20100", "0.10000");
    feed.Position(1.5, "4CA004", "5000", "50.30000", "0.20000");
    feed.Position(0.5, "4CA004", "5000", "50.30100", "0.20000");
    feed.Velocity(1.9, "4CA005", "250", "0.0", "0");
    feed.Position(1.0, "4CA005", "6000", "50.40000", "0.30000");

    auto moved = feed.Entry(BaseStationTracker::Stamping::MovedToStamp);
    ASSERT_EQ(moved.count("4CA003"), 1u);
    EXPECT_DOUBLE_EQ(moved["4CA003"].latitude, 50.201);
    EXPECT_DOUBLE_EQ(moved["4CA003"].longitude, 0.1);
    EXPECT_EQ(moved.count("4CA004"), 0u); // heard for 1.5 s only, and no velocity
    ASSERT_EQ(moved.count("4CA005"), 1u); // new, but its velocity came
    EXPECT_NEAR(moved["4CA005"].latitude, 50.4 + 250 * kKnot / kMetresPerDegree, 2e-5);

    // As heard, nothing is held back.
    EXPECT_EQ(feed.Entry(BaseStationTracker::Stamping::AsHeard).count("4CA004"), 1u);

    // Two seconds after it was first heard it is written, where its last message put it.
    moved = feed.Entry(BaseStationTracker::Stamping::MovedToStamp, 1);
    ASSERT_EQ(moved.count("4CA004"), 1u);
    EXPECT_DOUBLE_EQ(moved["4CA004"].latitude, 50.301);
    EXPECT_DOUBLE_EQ(moved["4CA004"].longitude, 0.2);
}

} // namespace
