#include "traffic/DataSetReader.h"

#include "config_control/SettingsFile.h"
#include "tests/support/CaseNames.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string InView(const std::string& callsign) {
    return callsign + "|4CA2B5|1609459200|50.1|0.1|3000|3100|90|250|0\n";
}

std::string OutOfView(const std::string& callsign) {
    return callsign + "|4CA2B5|1609459200|10.0|20.0|3000|3100|90|250|0\n";
}

std::string EntryTag(int number) {
    return "####_ENTRY_" + std::to_string(number) + "_####\n";
}

const std::string kHeader = "Recording 2021-01-01\n";
const std::string kBegin = "####_BEGIN_####\n";
const std::string kEntryEnd = "####_ENTRY_END_####\n";
const std::string kEnd = "####_END_####\n";

// One file per test; parameterised test names hold "/", which a file name cannot.
std::string TempPath() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "_" + test->name();
    for (char& c : name) {
        c = c == '/' ? '_' : c;
    }
    return testing::TempDir() + "corvane_traffic_" + name + ".dat";
}

std::string Repeat(const std::string& line, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += line;
    }
    return text;
}

// One expected ReadDataSet step: its result and the reader and analyser state after it.
struct Step {
    bool result;
    std::int32_t inView;
    std::int32_t callNumber;
    std::int32_t entryNumber;
};

class DataSetReaderTest : public testing::Test {
protected:
    ~DataSetReaderTest() override {
        reader.CloseTrafficDataFile();
        std::filesystem::remove(path);
    }

    void Open(const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
        ASSERT_TRUE(reader.OpenTrafficDataFile(path.c_str()));
    }

    // A true step is followed by a publication, which empties the analyser.
    std::int32_t Publish() {
        AircraftRecord records[150];
        return analyser.GetAircraftInView(150, records);
    }

    // What each call met, in order; the last step stays in `last`.
    std::vector<DataSetEvent> ExpectSteps(const std::vector<Step>& steps) {
        std::vector<DataSetEvent> met;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            SCOPED_TRACE("call " + std::to_string(i + 1));
            last = reader.RequestHistoricData();
            met.push_back(last.met);
            const bool result = last.Publishes();
            EXPECT_EQ(result, steps[i].result);
            EXPECT_EQ(reader.GetCallNumber(), steps[i].callNumber);
            EXPECT_EQ(reader.GetEntryNumber(), steps[i].entryNumber);
            EXPECT_EQ(result ? Publish() : analyser.GetInViewCount(), steps[i].inView);
        }
        return met;
    }

    std::string path = TempPath();
    TrafficAnalyser analyser;
    DataSetReader reader{analyser};
    DataSetStep last;
};

using Met = std::vector<DataSetEvent>;
using enum DataSetEvent;

TEST_F(DataSetReaderTest, WellFormedFilePlaysInOrderAndAgainAfterTheEnd) {
    Open(kHeader + kBegin + EntryTag(0) + InView("A0") + OutOfView("B0") + InView("C0") +
         kEntryEnd + EntryTag(1) + InView("A1") + kEntryEnd + kEnd);
    ASSERT_TRUE(reader.IsFileOpen());

    EXPECT_EQ(ExpectSteps({{false, 0, 0, 0}}), Met{Header});
    ASSERT_NE(last.headerLine, nullptr);
    EXPECT_STREQ(last.headerLine, "Recording 2021-01-01");

    EXPECT_EQ(ExpectSteps({{false, 0, 0, 0}}), Met{BeginTag});

    EXPECT_EQ(ExpectSteps({{true, 2, 1, 1}}), Met{Entry});
    EXPECT_EQ(last.entryNumber, 0);
    EXPECT_EQ(last.aircraftChecked, 3);
    EXPECT_EQ(reader.GetAircraftChecked(), 3);

    EXPECT_EQ(ExpectSteps({{true, 1, 2, 2}}), Met{Entry});
    EXPECT_EQ(last.aircraftChecked, 1);

    // The end tag rewinds; the call number keeps its value until the next ordinary step.
    EXPECT_EQ(ExpectSteps({{true, 0, 2, 0}}), Met{EndTag});
    EXPECT_EQ(last.failure, nullptr);

    // The header line comes round again as an ordinary line; then the file plays again.
    EXPECT_EQ(ExpectSteps({{true, 0, 0, 0}, {false, 0, 0, 0}, {true, 2, 1, 1}, {true, 1, 2, 2}}),
              (Met{PassedOver, BeginTag, Entry, Entry}));
    EXPECT_EQ(last.entryNumber, 1);
}

TEST_F(DataSetReaderTest, EmptyFileFailsEveryCall) {
    Open("");
    EXPECT_EQ(ExpectSteps({{false, 0, 0, 0}, {false, 0, 0, 0}, {false, 0, 0, 0}}),
              Met(3, ReadFailed));
    EXPECT_EQ(std::string(reader.GetDataFile()->GetErrorText()),
              "SettingsFileClass::ReadFromSettingsFile\nNULL read from file\n" + path);
}

TEST_F(DataSetReaderTest, HeaderAndEndTagOnlyAlternate) {
    Open(kHeader + kEnd);
    ExpectSteps({{false, 0, 0, 0}});
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(ExpectSteps({{true, 0, 0, 0}}), Met{EndTag});
        EXPECT_EQ(ExpectSteps({{true, 0, 0, 0}}), Met{PassedOver});
    }
}

TEST_F(DataSetReaderTest, FirstLineIsTheHeaderWhateverItHolds) {
    Open(kEnd + kBegin + kEnd);
    EXPECT_EQ(ExpectSteps({{false, 0, 0, 0}}), Met{Header});
    EXPECT_STREQ(last.headerLine, "####_END_####");
    EXPECT_EQ(ExpectSteps({{false, 0, 0, 0}, {true, 0, 0, 0}}), (Met{BeginTag, EndTag}));
}

TEST_F(DataSetReaderTest, FileWithoutEndTagPlaysOnce) {
    Open(kHeader + kBegin + EntryTag(0) + InView("A0") + InView("B0"));
    // The read failure ends the entry, which still counts as read.
    ExpectSteps({{false, 0, 0, 0}, {false, 0, 0, 0}, {true, 2, 1, 1}});
    EXPECT_EQ(reader.GetAircraftChecked(), 2);
    EXPECT_EQ(ExpectSteps({{false, 0, 1, 1}, {false, 0, 1, 1}}), Met(2, ReadFailed));
    EXPECT_EQ(reader.GetLineBuffer()[0], '\0');
}

TEST_F(DataSetReaderTest, NumberingGapStopsReadingUntilTheEnd) {
    Open(kHeader + kBegin + EntryTag(0) + InView("A0") + kEntryEnd + EntryTag(2) + InView("A2") +
         kEntryEnd + kEnd);
    EXPECT_EQ(ExpectSteps({{false, 0, 0, 0},
                           {false, 0, 0, 0},
                           {true, 1, 1, 1},
                           // Entry 2's tag, its line and its end tag are passed over one per call.
                           {true, 0, 1, 1},
                           {true, 0, 1, 1},
                           {true, 0, 1, 1},
                           {true, 0, 1, 0},
                           {true, 0, 0, 0},
                           {false, 0, 0, 0},
                           {true, 1, 1, 1}}),
              (Met{Header, BeginTag, Entry, PassedOver, PassedOver, PassedOver, EndTag, PassedOver,
                   BeginTag, Entry}));
}

struct TagCase {
    const char* line;
    bool startsEntry;
};

class EntryTagTest : public DataSetReaderTest, public testing::WithParamInterface<TagCase> {};

TEST_P(EntryTagTest, ExpectedEntryTagIsFoundAnywhereInTheLine) {
    Open(kHeader + kBegin + GetParam().line + "\n" + InView("A0") + kEntryEnd + kEnd);
    const std::int32_t expected = GetParam().startsEntry ? 1 : 0;
    ExpectSteps({{false, 0, 0, 0}, {false, 0, 0, 0}, {true, expected, expected, expected}});
}

void PrintTo(const TagCase& c, std::ostream* out) {
    *out << "'" << c.line << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, EntryTagTest,
    testing::Values(TagCase{"####_ENTRY_0_####", true}, TagCase{"####_ENTRY_0_#", true},
                    TagCase{"time 1609459200 ####_ENTRY_0_#### 7", true},
                    TagCase{"####_ENTRY_00_####", false}, TagCase{"####_ENTRY_1_####", false},
                    TagCase{"####_ENTRY_0####", false}, TagCase{"####_entry_0_####", false}),
    NamedByPrint());

TEST_F(DataSetReaderTest, EntryOneTagIsNotFoundInEntryElevensLine) {
    Open(kHeader + kBegin + EntryTag(0) + kEntryEnd + EntryTag(11) + InView("A11") + kEntryEnd +
         EntryTag(1) + InView("A1") + kEntryEnd + kEnd);
    ExpectSteps({{false, 0, 0, 0}, {false, 0, 0, 0}, {true, 0, 1, 1}, {true, 0, 1, 1}});
}

TEST_F(DataSetReaderTest, TagsInsideAnEntryAreNeitherCountedNorEndIt) {
    Open(kHeader + kBegin + EntryTag(0) + InView("A0") + kBegin + "\n" + kEnd + "NOSEPARATOR\n" +
         InView("B0") + kEntryEnd + kEnd);
    ExpectSteps({{false, 0, 0, 0}, {false, 0, 0, 0}, {true, 2, 1, 1}});
    // Two aircraft, the empty line and the line without separators.
    EXPECT_EQ(reader.GetAircraftChecked(), 4);
    ExpectSteps({{true, 0, 1, 0}});
}

TEST_F(DataSetReaderTest, LongPhysicalLineIsReadAsTwoLines) {
    Open(kHeader + kBegin + EntryTag(0) + std::string(300, 'x') + "\n" + kEntryEnd + kEnd);
    ExpectSteps({{false, 0, 0, 0}, {false, 0, 0, 0}, {true, 0, 1, 1}});
    EXPECT_EQ(reader.GetAircraftChecked(), 2);
}

struct EntrySizeCase {
    int aircraftLines;
    std::int32_t checked;
    // Calls after the entry that pass over its remaining lines before the end tag.
    int strayCalls;
};

class EntrySizeTest : public DataSetReaderTest,
                      public testing::WithParamInterface<EntrySizeCase> {};

TEST_P(EntrySizeTest, EntryReadsAtMostSevenThousandLines) {
    const EntrySizeCase& c = GetParam();
    Open(kHeader + kBegin + EntryTag(0) + Repeat(OutOfView("X"), c.aircraftLines - 1) +
         InView("LAST") + kEntryEnd + kEnd);
    ExpectSteps({{false, 0, 0, 0}, {false, 0, 0, 0}});
    ASSERT_TRUE(reader.RequestHistoricData().Publishes());
    EXPECT_EQ(reader.GetAircraftChecked(), c.checked);
    const bool lastProcessed = c.aircraftLines <= kMaxEntryLines;
    EXPECT_EQ(Publish(), lastProcessed ? 1 : 0);
    for (int i = 0; i < c.strayCalls; ++i) {
        ExpectSteps({{true, 0, 1, 1}});
    }
    EXPECT_EQ(ExpectSteps({{true, 0, 1, 0}}), Met{EndTag});
}

void PrintTo(const EntrySizeCase& c, std::ostream* out) {
    *out << c.aircraftLines << " aircraft lines";
}

INSTANTIATE_TEST_SUITE_P(Sizes, EntrySizeTest,
                         testing::Values(EntrySizeCase{6999, 6999, 0}, EntrySizeCase{7000, 7000, 1},
                                         EntrySizeCase{7002, 7000, 3}),
                         NamedByPrint());

TEST_F(DataSetReaderTest, WindowsLineEndsReadAsPlainLines) {
    Open("Recording\r\n####_BEGIN_####\r\n####_ENTRY_0_####\r\n"
         "A0|4CA2B5|1609459200|50.1|0.1|3000|3100|90|250|-2.5\r\n"
         "####_ENTRY_END_####\r\n####_END_####\r\n");
    EXPECT_EQ(ExpectSteps({{false, 0, 0, 0}}), Met{Header});
    EXPECT_STREQ(last.headerLine, "Recording");
    ExpectSteps({{false, 0, 0, 0}});
    ASSERT_TRUE(reader.RequestHistoricData().Publishes());
    AircraftRecord record{};
    ASSERT_EQ(analyser.GetAircraftInView(1, &record), 1);
    EXPECT_EQ(record.verticalRate, -2.5);
    EXPECT_EQ(reader.GetAircraftChecked(), 1);
    ExpectSteps({{true, 0, 1, 0}});
}

TEST_F(DataSetReaderTest, MissingFileIsReportedWithItsCure) {
    const std::string missing = testing::TempDir() + "corvane_no_such_dir/TrafficLog.dat";
    EXPECT_FALSE(reader.OpenTrafficDataFile(missing.c_str()));
    EXPECT_FALSE(reader.IsFileOpen());
    const std::string text = reader.FullErrorText();
    EXPECT_EQ(text.rfind("SettingsFileClass::OpenFileForReading\n", 0), 0u) << text;
    EXPECT_NE(text.find("\n" + missing + "\n"), std::string::npos) << text;
    // The cure: where to get a recording, and how to make a data file of it at the place read.
    const std::string tail =
        "\nPlease download a traffic data file from\nhttps://opensky-network.org/data/datasets\n"
        "and turn the recording into a data file where Corvane looks for it:\n"
        "trafficlog convert RECORDING.csv " +
        missing;
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);

    // Without a file every step does nothing.
    EXPECT_EQ(reader.ReadDataSet().met, NoFile);
    EXPECT_TRUE(reader.ResetDataSet());
    reader.ReadEntry();
    reader.CloseTrafficDataFile();
    EXPECT_EQ(reader.FullErrorText(), text);
}

// A folder by the data file's name is no file to make: the report leaves that cure out.
TEST_F(DataSetReaderTest, FolderAsDataFileGivesNoCureOfMakingAFile) {
    const std::string folder = testing::TempDir();
    EXPECT_FALSE(reader.OpenTrafficDataFile(folder.c_str()));
    EXPECT_FALSE(reader.IsFileOpen());
    const std::string text = reader.FullErrorText();
    EXPECT_NE(text.find("Please download a traffic data file from\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("trafficlog convert"), std::string::npos) << text;
}

// A read that fails marks the reader and says in the step which file failed and how; opening
// again by the path starts from the header line, with whatever the file holds now.
TEST_F(DataSetReaderTest, FailedReadIsReportedAndTheFileOpensAgainByItsPath) {
    Open(kHeader + kBegin + EntryTag(0) + InView("A0") + kEntryEnd);
    ExpectSteps({{false, 0, 0, 0}, {false, 0, 0, 0}, {true, 1, 1, 1}});
    EXPECT_FALSE(reader.HasReadFailed());
    EXPECT_EQ(ExpectSteps({{false, 0, 1, 1}}), Met{ReadFailed});
    EXPECT_TRUE(reader.HasReadFailed());
    const std::string reason =
        "SettingsFileClass::ReadFromSettingsFile\nNULL read from file\n" + path;
    EXPECT_STREQ(last.failure, reason.c_str());

    std::ofstream(path, std::ios::binary | std::ios::trunc)
        << "Refilled\n" + kBegin + EntryTag(0) + InView("B0") + InView("C0") + kEntryEnd + kEnd;
    ASSERT_TRUE(reader.ReopenTrafficDataFile());
    EXPECT_FALSE(reader.HasReadFailed());
    EXPECT_EQ(ExpectSteps({{false, 0, 1, 0}}), Met{Header});
    EXPECT_STREQ(last.headerLine, "Refilled");
    EXPECT_EQ(ExpectSteps({{false, 0, 1, 0}, {true, 2, 1, 1}}), (Met{BeginTag, Entry}));
}

TEST_F(DataSetReaderTest, FileGoneAtTheReopenIsReportedAndTriedAgainLater) {
    Open(kHeader);
    ExpectSteps({{false, 0, 0, 0}, {false, 0, 0, 0}});
    ASSERT_TRUE(reader.HasReadFailed());
    reader.CloseTrafficDataFile(); // Windows removes no file that is open
    std::filesystem::remove(path);

    EXPECT_FALSE(reader.ReopenTrafficDataFile());
    EXPECT_TRUE(reader.HasReadFailed());
    EXPECT_FALSE(reader.IsFileOpen());
    // The reason alone: the cure of a missing file is for the start of a run.
    EXPECT_EQ(reader.FullErrorText(), std::string("SettingsFileClass::OpenFileForReading\n") +
                                          std::strerror(ENOENT) + "\n" + path);
    EXPECT_EQ(reader.RequestHistoricData().met, NoFile);

    std::ofstream(path, std::ios::binary) << kHeader + kEnd;
    EXPECT_TRUE(reader.ReopenTrafficDataFile());
    ExpectSteps({{false, 0, 0, 0}, {true, 0, 0, 0}});
}

} // namespace
