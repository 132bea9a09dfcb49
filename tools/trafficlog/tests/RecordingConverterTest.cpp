#include "tools/trafficlog/RecordingConverter.h"

#include "tests/support/TempDirectory.h"
#include "tools/trafficlog/TrafficFileChecker.h"
#include "tools/trafficlog/TrafficScanner.h"
#include "tools/trafficlog/tests/ConversionTestKit.h"
#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class EntryCounter : public ScanSink {
public:
    void Entry(const ScannedEntry& entry) override { checked.push_back(entry.aircraftChecked); }
    std::vector<int> checked;
};

const char kHeader[] = "time,icao24,lat,lon,velocity,heading,vertrate,callsign,onground,alert,"
                       "spi,squawk,baroaltitude,geoaltitude,lastposupdate,lastcontact\n";

struct Vector {
    std::int64_t time = 1000;
    std::string icao = "4ca2b5";
    double lat = 50.1;
    double lon = 0.2;
    std::string callsign = "RYR12AB";
    std::string onGround = "False";
    std::int64_t positionAge = 0;
};

std::string Row(const Vector& v) {
    std::ostringstream row;
    row.precision(10);
    row << v.time << "," << v.icao << "," << v.lat << "," << v.lon << ",120.5,91.2,-3.25,"
        << v.callsign << "," << v.onGround << ",False,False,7000,3048.0,3100.0,"
        << v.time - v.positionAge << "," << v.time << "\n";
    return row.str();
}

// Drops from `all` the items it shared with `before`.
template <typename T> void Since(const std::vector<T>& before, std::vector<T>& all) {
    all.erase(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(before.size()));
}

class ConvertTest : public TempDirectoryTest {
protected:
    // Converts the inputs into "out.dat"; a written file must pass the checker and play
    // through the feeder's reader. Files are converted on one thread first, and the two
    // threads that follow must write the same.
    bool Convert(const std::vector<std::string>& inputs) {
        std::vector<std::string> paths;
        bool fromStandardInput = false;
        for (const std::string& input : inputs) {
            paths.push_back(input == "-" ? input : PathOf(input));
            fromStandardInput = fromStandardInput || input == "-";
        }
        options.inputs.clear();
        for (const std::string& path : paths) {
            options.inputs.push_back(path.c_str());
        }
        output = PathOf("out.dat");
        options.output = output.c_str();
        Conversion one;
        if (!fromStandardInput) {
            ConvertOptions single = options;
            single.threads = 1;
            RecordingConverter first;
            one.ok = first.Convert(single, one.findings);
            one.data = Output();
            one.counts = first.Counts();
            one.error = first.FullErrorText();
        }
        options.threads = 2;
        const ConvertFindings before = findings;
        const bool ok = converter.Convert(options, findings);
        if (!fromStandardInput) {
            // What this conversion added to the findings of the test's earlier ones.
            Conversion two{ok, Output(), converter.Counts(), findings, converter.FullErrorText()};
            Since(before.bad, two.findings.bad);
            Since(before.notices, two.findings.notices);
            Since(before.fullLines, two.findings.fullLines);
            if (ok) {
                one.error = two.error = "";
            }
            ExpectSameConversion(one, two);
        }
        if (ok) {
            TrafficFileChecker checker;
            CleanFile clean;
            EXPECT_TRUE(checker.Check(output.c_str(), clean));
            TrafficScanner scanner;
            EXPECT_TRUE(scanner.Scan(output.c_str(), 50.45, 0.01, played));
            EXPECT_FALSE(scanner.EndedWithoutEndTag());
        }
        return ok;
    }

    std::string Output() const {
        std::ifstream in(output, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // The callsigns of the output's aircraft lines, entry by entry ("|" between entries).
    std::string Callsigns() const {
        std::istringstream in(Output());
        std::string line, names;
        while (std::getline(in, line)) {
            if (line.find("ENTRY_END") != std::string::npos) {
                names += "|";
            } else if (line.find('#') == std::string::npos && line.find('|') != std::string::npos) {
                names += (names.empty() || names.back() == '|' ? "" : " ") +
                         line.substr(0, line.find('|'));
            }
        }
        return names;
    }

    std::vector<std::string> Leftovers() const {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(directory)) {
            if (item.path().filename().string().find(".part") != std::string::npos) {
                names.push_back(item.path().filename().string());
            }
        }
        return names;
    }

    ConvertOptions options;
    RecordingConverter converter;
    ConvertFindings findings;
    EntryCounter played;
    std::string output;
};

// Field texts that the data file cannot carry: the reader would split the line, take it for a
// tag, or (for a control character) a terminal would act on it when the file is shown.
struct HostileField {
    const char* name;
    const char* callsign;
    const char* reason;
};

void PrintTo(const HostileField& value, std::ostream* out) {
    *out << value.name;
}

class HostileFields : public ConvertTest, public testing::WithParamInterface<HostileField> {};

TEST_P(HostileFields, AreBadRowsWithTheirLineNumbers) {
    Vector hostile;
    hostile.callsign = GetParam().callsign;
    WriteBinary("in.csv", std::string(kHeader) + Row(Vector{}) + Row(hostile));
    ASSERT_TRUE(Convert({"in.csv"}));
    ASSERT_EQ(findings.bad.size(), 1u);
    EXPECT_EQ(findings.bad[0].rfind("in.csv:3: callsign ", 0), 0u) << findings.bad[0];
    EXPECT_NE(findings.bad[0].find(GetParam().reason), std::string::npos) << findings.bad[0];
    for (const char c : findings.bad[0]) {
        EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7f) << findings.bad[0];
    }
    EXPECT_EQ(Callsigns(), "RYR12AB|");
}

INSTANTIATE_TEST_SUITE_P(Tags, HostileFields,
                         testing::Values(HostileField{"entry_end", "####_ENTRY_END_####", "\"#\""},
                                         HostileField{"end", "####_END_####", "\"#\""},
                                         HostileField{"entry_tag", "####_ENTRY_3_#", "\"#\""},
                                         HostileField{"one_mark", "AB#1", "\"#\""},
                                         HostileField{"separator", "AB|1", "\"|\""},
                                         HostileField{"title_change", "\x1b]0;owned\x07",
                                                      "\"?]0;owned?\" holds a "
                                                      "control character"},
                                         HostileField{"c1_byte",
                                                      "AB\x9b"
                                                      "2J",
                                                      "\"AB?2J\" holds a control"}),
                         [](const testing::TestParamInfo<HostileField>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(ConvertTest, KeepsOnlyTheAircraftOfTheRegion) {
    std::string csv = kHeader;
    const struct {
        const char* name;
        double lat, lon;
    } places[] = {{"HEATHROW", 51.47, -0.45},
                  {"GATWICK", 51.15, -0.18},
                  {"PARIS", 49.0, 2.55},
                  {"DATELINE", 60.0, 179.9},
                  {"OVERDATE", 60.0, -179.9}};
    for (const auto& place : places) {
        Vector v;
        v.callsign = place.name;
        v.lat = place.lat;
        v.lon = place.lon;
        csv += Row(v);
    }
    WriteBinary("in.csv", csv);
    options.region.SetAround(51.47, -0.45, 30);
    ASSERT_TRUE(Convert({"in.csv"}));
    EXPECT_EQ(Callsigns(), "HEATHROW GATWICK|");
    EXPECT_EQ(converter.Counts().outsideRegion, 3);

    // A box across the 180th meridian, on its own and together with a circle.
    options.region = Region{};
    options.region.SetBox(59, 179, 61, -179);
    ASSERT_TRUE(Convert({"in.csv"}));
    EXPECT_EQ(Callsigns(), "DATELINE OVERDATE|");
    options.region.SetAround(60, 179.9, 1);
    ASSERT_TRUE(Convert({"in.csv"}));
    EXPECT_EQ(Callsigns(), "DATELINE|");
}

// 7001 aircraft at one time, one of them far away and one a little less far: the entry keeps
// the 6999 nearest to the centre, in the order they came, whatever their place in the file.
TEST_F(ConvertTest, KeepsTheNearestWhenASnapshotHoldsMoreThanAnEntry) {
    auto snapshot = [](std::int64_t time, double farLat, double fartherLat) {
        std::string rows;
        for (int i = 0; i < 7001; ++i) {
            Vector v;
            v.time = time;
            v.icao = "4c" + std::to_string(1000 + i);
            v.callsign = "N" + std::to_string(i);
            v.lat = 50.0 + (i % 100) * 0.001;
            v.lon = 0.0 + (i / 100) * 0.001;
            if (i == 3) {
                v.lat = fartherLat;
            } else if (i == 5000) {
                v.lat = farLat;
            }
            rows += Row(v);
        }
        return rows;
    };
    WriteBinary("in.csv", kHeader + snapshot(1000, 55.0, 58.0) + snapshot(1010, 45.0, 42.0));
    ASSERT_TRUE(Convert({"in.csv"}));
    EXPECT_EQ(converter.Counts().written, 2 * 6999);
    EXPECT_EQ(converter.Counts().leftOut, 4);
    EXPECT_EQ(findings.fullLines, (std::vector<std::int64_t>{7001, 14002}));
    const std::string names = Callsigns();
    for (const char* gone : {" N3 ", " N5000 "}) {
        EXPECT_EQ(names.find(gone), std::string::npos) << gone;
    }
    EXPECT_EQ(names.rfind("N0 N1 N2 N4 N5 ", 0), 0u);
    EXPECT_NE(names.find(" N4999 N5001 "), std::string::npos);
    // Without a region the centre is the first snapshot's mean position, near 50.05, 0.035.
    ASSERT_TRUE(converter.HasCentre());
    EXPECT_NEAR(converter.Centre().latitude, 50.05, 0.01);
    EXPECT_NEAR(converter.Centre().longitude, 0.035, 0.01);
    EXPECT_EQ(played.checked, (std::vector<int>{6999, 6999}));
}

TEST_F(ConvertTest, DropsByTimeWindowPositionAgeAndGround) {
    std::string csv = kHeader;
    for (std::int64_t t = 1000; t <= 1040; t += 10) {
        Vector v;
        v.time = t;
        v.callsign = "T" + std::to_string(t);
        csv += Row(v);
    }
    Vector oldPosition;
    oldPosition.time = 1040;
    oldPosition.callsign = "OLDPOS";
    oldPosition.positionAge = 16; // heard just now, but its position is 16 s old
    Vector taxiing;
    taxiing.time = 1040;
    taxiing.callsign = "TAXI";
    taxiing.onGround = "True";
    WriteBinary("in.csv", csv + Row(oldPosition) + Row(taxiing));

    options.hasFrom = options.hasTo = true;
    options.from = 1010;
    options.to = 1040;
    ASSERT_TRUE(Convert({"in.csv"}));
    EXPECT_EQ(Callsigns(), "T1010|T1020|T1030|T1040|");
    EXPECT_EQ(converter.Counts().outsideWindow, 1);
    EXPECT_EQ(converter.Counts().stale, 1);
    EXPECT_EQ(converter.Counts().onGround, 1);

    options.keepGround = true;
    ASSERT_TRUE(Convert({"in.csv"}));
    EXPECT_EQ(Callsigns(), "T1010|T1020|T1030|T1040 TAXI|");
}

TEST_F(ConvertTest, TellsTheTimeStepWhenItIsNotTenSeconds) {
    std::string csv = kHeader;
    for (std::int64_t t = 1000; t < 1030; ++t) {
        Vector v;
        v.time = t;
        csv += Row(v);
    }
    WriteBinary("in.csv", csv);
    ASSERT_TRUE(Convert({"in.csv"}));
    EXPECT_EQ(converter.UsualStep(), 1);
}

// The 24 files of a day in one run, as published (a tar holding a gzip-compressed CSV), or as
// the user unpacked them; an input that goes back in time is left out and said to be.
TEST_F(ConvertTest, JoinsSeveralInputsInTimeOrderWhateverTheirPacking) {
    auto hour = [](std::int64_t start, const char* name) {
        std::string csv = kHeader;
        for (std::int64_t t = start; t < start + 20; t += 10) {
            Vector v;
            v.time = t;
            v.callsign = std::string(name) + std::to_string(t - start);
            csv += Row(v);
        }
        return csv;
    };
    WriteBinary("h1.csv", hour(1000, "A"));
    WriteBinary("h2.csv.gz", GzipBytes(hour(1020, "B")));
    WriteBinary("h3.csv.tar",
                TarBytes({{"states_h3.csv.gz", GzipBytes(hour(1040, "C"))}, {"LICENSE", "x"}}));
    WriteBinary("early.csv", hour(900, "X"));
    const std::vector<std::string> inputs =
        kReadsTar ? std::vector<std::string>{"h1.csv", "h2.csv.gz", "early.csv", "h3.csv.tar"}
                  : std::vector<std::string>{"h1.csv", "h2.csv.gz", "early.csv"};
    ASSERT_TRUE(Convert(inputs));
    EXPECT_EQ(Callsigns(), kReadsTar ? "A0|A10|B0|B10|C0|C10|" : "A0|A10|B0|B10|");
    EXPECT_EQ(converter.Counts().inputsLeftOut, 1);
    ASSERT_EQ(findings.notices.size(), 1u);
    EXPECT_NE(findings.notices[0].find("early.csv starts at time 900"), std::string::npos)
        << findings.notices[0];
}

TEST_F(ConvertTest, ReplacesTheTargetOnlyWhenTheConversionSucceeds) {
    WriteBinary("out.dat", "the recording a feeder is playing\n");
    WriteBinary("unsorted.csv", std::string(kHeader) + Row(Vector{1010}) + Row(Vector{1000}));
    EXPECT_FALSE(Convert({"unsorted.csv"}));
    EXPECT_TRUE(converter.RefusedUnsorted());
    EXPECT_EQ(Output(), "the recording a feeder is playing\n");
    EXPECT_TRUE(Leftovers().empty());

    WriteBinary("sorted.csv", std::string(kHeader) + Row(Vector{1000}) + Row(Vector{1010}));
    ASSERT_TRUE(Convert({"sorted.csv"}));
    EXPECT_EQ(Output().rfind("Recorded traffic from sorted.csv\n####_BEGIN_####\n", 0), 0u);
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(ConvertTest, RefusesToWriteOverAnInput) {
    const std::string csv = std::string(kHeader) + Row(Vector{});
    const std::string input = WriteBinary("in.csv", csv);
    std::filesystem::create_hard_link(input, PathOf("out.dat"));
    EXPECT_FALSE(Convert({"in.csv"}));
    EXPECT_NE(converter.FullErrorText().find("one of the inputs"), std::string::npos);
    std::ifstream in(input, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), csv);
}

} // namespace
