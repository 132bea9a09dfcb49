#include "tools/trafficlog/datafile/TrafficScanner.h"

#include "text_functions/TextFunctions.h"

#include "tools/trafficlog/sample/SampleGenerator.h"
#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {
struct Seen {
    std::int32_t entry;
    std::int32_t checked;
    std::vector<std::string> callsigns;
};

class Collector : public ScanSink {
public:
    void Entry(const ScannedEntry& entry) override {
        Seen seen{entry.entryNumber, entry.aircraftChecked, {}};
        for (std::int32_t i = 0; i < entry.inView; ++i) {
            seen.callsigns.emplace_back(entry.records[i].callsign);
        }
        entries.push_back(seen);
        if (entry.inView > 0) {
            first = entry.records[0];
        }
    }
    std::vector<Seen> entries;
    AircraftRecord first{};
};

std::string Aircraft(const std::string& callsign, double latitude, double longitude) {
    char line[160];
    FormatBounded(line, sizeof line, "%s|4ca2b5|1717228800|%.4f|%.4f|3000|3050|90|120|-2.5\n",
                  callsign.c_str(), latitude, longitude);
    return line;
}

TEST(TrafficScanner, GivesWhatTheAnalyserKeepsPerEntry) {
    // Own-ship at 50.45, 0.01: the box runs from 49.85 to 51.05 N and -0.59 to 0.61 E.
    const std::string text =
        "header\n####_BEGIN_####\n####_ENTRY_0_####\n" + Aircraft("IN1", 50.45, 0.01) +
        Aircraft("NORTH", 51.06, 0.01) + Aircraft("EDGE", 51.04, 0.60) + "no separators\n" +
        "####_ENTRY_END_####\nstray line\n####_ENTRY_1_####\n" + Aircraft("WEST", 50.45, -0.60) +
        "####_ENTRY_END_####\n" + "####_END_####\nnever read\n";
    TempFile file(".dat");
    file.Write(text);
    TrafficScanner scanner;
    Collector collector;
    ASSERT_TRUE(scanner.Scan(file.Path(), 50.45, 0.01, collector));
    ASSERT_EQ(collector.entries.size(), 2u);
    EXPECT_EQ(collector.entries[0].checked, 4);
    EXPECT_EQ(collector.entries[0].callsigns, (std::vector<std::string>{"IN1", "EDGE"}));
    EXPECT_EQ(collector.entries[1].entry, 1);
    EXPECT_TRUE(collector.entries[1].callsigns.empty());
    EXPECT_EQ(scanner.EmptyRequests(), 1); // the stray line
    EXPECT_FALSE(scanner.EndedWithoutEndTag());
    // Records carry the line's values in record order.
    EXPECT_EQ(collector.first.icaoAddress, 0x4ca2b5);
    EXPECT_DOUBLE_EQ(collector.first.baroAltitude, 3000);
    EXPECT_DOUBLE_EQ(collector.first.geoAltitude, 3050);
    EXPECT_DOUBLE_EQ(collector.first.verticalRate, -2.5);
    EXPECT_EQ(collector.first.positionTime, 1717228800);
}

TEST(TrafficScanner, KeepsTheFirst49InView) {
    std::string text = "header\n####_BEGIN_####\n####_ENTRY_0_####\n";
    for (int i = 0; i < 60; ++i) {
        // A literal put before a temporary string makes GCC 12 at -O3 warn falsely that the copy
        // may overlap (-Wrestrict).
        std::string callsign = "A";
        callsign += std::to_string(i);
        text += Aircraft(callsign, 50.0 + i * 0.001, 0.0);
    }
    text += "####_ENTRY_END_####\n####_END_####\n";
    TempFile file(".dat");
    file.Write(text);
    TrafficScanner scanner;
    Collector collector;
    ASSERT_TRUE(scanner.Scan(file.Path(), 50.0, 0.0, collector));
    ASSERT_EQ(collector.entries.size(), 1u);
    ASSERT_EQ(collector.entries[0].callsigns.size(), 49u);
    EXPECT_EQ(collector.entries[0].callsigns.back(), "A48");
}

TEST(TrafficScanner, StopsAtTheEndOfAFileWithoutEndTag) {
    TempFile file(".dat");
    file.Write("header\n####_BEGIN_####\n####_ENTRY_0_####\n" + Aircraft("A", 50, 0) +
               "####_ENTRY_END_####\n");
    TrafficScanner scanner;
    Collector collector;
    ASSERT_TRUE(scanner.Scan(file.Path(), 50.0, 0.0, collector));
    EXPECT_EQ(collector.entries.size(), 1u);
    EXPECT_TRUE(scanner.EndedWithoutEndTag());
}

TEST(TrafficScanner, AgreesWithAPlainBoxTestOnTheSample) {
    TempFile file(".dat");
    SampleOptions options;
    options.durationSeconds = 300;
    ASSERT_TRUE(SampleGenerator().Generate(options, file.Path()));
    TrafficScanner scanner;
    Collector collector;
    ASSERT_TRUE(scanner.Scan(file.Path(), 50.45, 0.01, collector));
    ASSERT_EQ(collector.entries.size(), 30u);

    // The same count from the text, with the box written out by hand.
    std::istringstream lines(file.Read());
    std::vector<int> expected;
    std::string line;
    bool inEntry = false;
    while (std::getline(lines, line)) {
        if (line.rfind("####_ENTRY_END", 0) == 0) {
            inEntry = false;
        } else if (line.rfind("####_ENTRY_", 0) == 0) {
            inEntry = true;
            expected.push_back(0);
        } else if (inEntry) {
            double latitude = 0, longitude = 0;
            ASSERT_EQ(
                std::sscanf(line.c_str(), "%*[^|]|%*[^|]|%*[^|]|%lf|%lf", &latitude, &longitude), 2)
                << line;
            const bool inView =
                std::fabs(latitude - 50.45) <= 0.6 && std::fabs(longitude - 0.01) <= 0.6;
            expected.back() = std::min(expected.back() + (inView ? 1 : 0), 49);
        }
    }
    ASSERT_EQ(expected.size(), collector.entries.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(static_cast<int>(collector.entries[i].callsigns.size()), expected[i]) << i;
    }
}

TEST(TrafficScanner, ReportsAMissingFile) {
    TrafficScanner scanner;
    Collector collector;
    EXPECT_FALSE(scanner.Scan("/nonexistent-folder/TrafficLog.dat", 50, 0, collector));
    EXPECT_NE(std::string(scanner.GetErrorText()).find("TrafficScanner::Scan"), std::string::npos);
}
} // namespace
