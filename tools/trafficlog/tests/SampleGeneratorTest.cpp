#include "tools/trafficlog/sample/SampleGenerator.h"

#include "tools/trafficlog/datafile/TrafficFileChecker.h"
#include "tools/trafficlog/datafile/TrafficScanner.h"
#include "tools/trafficlog/sample/SampleAirspace.h"
#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>

namespace {
class NoFindings : public CheckFindingSink {
public:
    void Report(std::int64_t line, CheckFault, const char* text) override {
        ADD_FAILURE() << "line " << line << ": " << text;
    }
};

std::string Generate(const SampleOptions& options) {
    TempFile file(".dat");
    SampleGenerator generator;
    EXPECT_TRUE(generator.Generate(options, file.Path()));
    return file.Read();
}

TEST(SampleGenerator, SameOptionsGiveTheSameBytes) {
    SampleOptions options;
    options.durationSeconds = 600;
    const std::string first = Generate(options);
    EXPECT_EQ(Generate(options), first);
    options.seed = 2;
    EXPECT_NE(Generate(options), first);
}

TEST(SampleGenerator, OutputPassesTheCheckWithOneEntryPer10Seconds) {
    TempFile file(".dat");
    SampleOptions options;
    options.durationSeconds = 1200;
    SampleGenerator generator;
    ASSERT_TRUE(generator.Generate(options, file.Path()));
    EXPECT_EQ(generator.EntriesWritten(), 120);
    TrafficFileChecker checker;
    NoFindings clean;
    ASSERT_TRUE(checker.Check(file.Path(), clean));
    EXPECT_EQ(checker.EntriesSeen(), 120);
}

TEST(SampleGenerator, ZeroDensityGivesEmptyEntries) {
    SampleOptions options;
    options.durationSeconds = 30;
    options.flightsPerHour = 0;
    const std::string text = Generate(options);
    EXPECT_NE(text.find("####_ENTRY_2_####\n####_ENTRY_END_####\n####_END_####\n"),
              std::string::npos);
}

struct Sample {
    std::string callsign;
    std::string address;
    long long time;
    double latitude, longitude, baro, geo, track, speed, vertical;
};

// Every aircraft line of the text.
std::vector<Sample> Samples(const std::string& text) {
    std::vector<Sample> samples;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find('|') == std::string::npos) {
            continue;
        }
        Sample s;
        char callsign[16] = {}, address[16] = {};
        EXPECT_EQ(std::sscanf(line.c_str(), "%15[^|]|%15[^|]|%lld|%lf|%lf|%lf|%lf|%lf|%lf|%lf",
                              callsign, address, &s.time, &s.latitude, &s.longitude, &s.baro,
                              &s.geo, &s.track, &s.speed, &s.vertical),
                  10)
            << line;
        s.callsign = callsign;
        s.address = address;
        samples.push_back(s);
    }
    return samples;
}

TEST(SampleGenerator, FlightsArePlausible) {
    SampleOptions options;
    options.durationSeconds = 1800;
    const std::vector<Sample> samples = Samples(Generate(options));
    ASSERT_GT(samples.size(), 1000u);
    std::map<std::string, Sample> previous;
    for (const Sample& s : samples) {
        EXPECT_EQ(s.address.size(), 6u);
        EXPECT_GE(s.callsign.size(), 4u);
        EXPECT_LE(s.callsign.size(), 8u);
        EXPECT_GE(s.latitude, kSampleSouth);
        EXPECT_LE(s.latitude, kSampleNorth);
        EXPECT_GE(s.longitude, kSampleWest);
        EXPECT_LE(s.longitude, kSampleEast);
        EXPECT_GT(s.baro, -10.0);
        EXPECT_LT(s.baro, 12500.0); // FL410
        EXPECT_GT(s.geo, s.baro);
        EXPECT_GE(s.track, 0.0);
        EXPECT_LT(s.track, 360.0);
        EXPECT_GE(s.speed, 40.0);
        EXPECT_LE(s.speed, 260.0);
        EXPECT_LE(std::fabs(s.vertical), 15.0);
        auto before = previous.find(s.address);
        if (before != previous.end() && before->second.time + 10 == s.time &&
            before->second.track == s.track) {
            // Ten seconds later on the same leg the aircraft has moved about speed * 10 s, and
            // its height has changed by its vertical rate.
            const double north = (s.latitude - before->second.latitude) * 111195.0;
            const double east = (s.longitude - before->second.longitude) * 111195.0 *
                                std::cos(s.latitude * 3.14159265 / 180.0);
            EXPECT_NEAR(std::hypot(north, east), s.speed * 10.0, s.speed * 2.0);
            EXPECT_NEAR(s.baro - before->second.baro, s.vertical * 10.0, 0.1);
        }
        previous[s.address] = s;
    }
}

class CountInView : public ScanSink {
public:
    void Entry(const ScannedEntry& entry) override {
        ++entries;
        withTraffic += entry.inView > 0 ? 1 : 0;
    }
    int entries = 0;
    int withTraffic = 0;
};

TEST(SampleGenerator, TrafficIsInViewAtTheDefaultOwnShipPosition) {
    TempFile file(".dat");
    SampleOptions options;
    options.durationSeconds = 600;
    ASSERT_TRUE(SampleGenerator().Generate(options, file.Path()));
    TrafficScanner scanner;
    CountInView counter;
    ASSERT_TRUE(scanner.Scan(file.Path(), 50.45, 0.01, counter));
    EXPECT_EQ(counter.entries, 60);
    EXPECT_EQ(counter.withTraffic, 60);
}

TEST(SampleAirspace, EveryRouteNamesKnownPointsAndOperators) {
    for (const SampleRoute& route : SampleRoutes()) {
        std::istringstream points(route.points);
        std::string name;
        int count = 0;
        while (points >> name) {
            EXPECT_NE(FindSamplePoint(name.c_str()), nullptr) << name;
            ++count;
        }
        EXPECT_GE(count, 2) << route.points;
        std::istringstream operators(route.operators);
        while (operators >> name) {
            EXPECT_NE(FindSampleOperator(name.c_str()), nullptr) << name;
        }
    }
}
} // namespace
