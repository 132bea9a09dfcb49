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

class FakeOwner final : public DataSetReaderOwner {
public:
    const char* GetWindowTitle() const override { return "Halvery v1"; }
    void SetWindowTitleText(const char* text) override { windowText.push_back(text); }
    void SetMessageText(const char* text) override { messageText = text; }
    void SetStatusText(const char* text) override { statusText = text; }
    void ShowMessageBox(const char* caption, const char* text) override {
        messageBoxes.emplace_back(caption, text);
    }
    void SleepMilliseconds(std::int32_t milliseconds) override { sleeps.push_back(milliseconds); }

    std::vector<std::string> windowText;
    std::string messageText;
    std::string statusText;
    std::vector<std::pair<std::string, std::string>> messageBoxes;
    std::vector<std::int32_t> sleeps;
};

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

    void ExpectSteps(const std::vector<Step>& steps) {
        for (std::size_t i = 0; i < steps.size(); ++i) {
            SCOPED_TRACE("call " + std::to_string(i + 1));
            const bool result = reader.RequestHistoricData();
            EXPECT_EQ(result, steps[i].result);
            EXPECT_EQ(reader.GetCallNumber(), steps[i].callNumber);
            EXPECT_EQ(reader.GetEntryNumber(), steps[i].entryNumber);
            EXPECT_EQ(result ? Publish() : analyser.GetInViewCount(), steps[i].inView);
        }
    }

    std::string path = TempPath();
    FakeOwner owner;
    TrafficAnalyser analyser;
    DataSetReader reader{owner, analyser};
};

TEST_F(DataSetReaderTest, WellFormedFilePlaysInOrderAndAgainAfterTheEnd) {
    Open(kHeader + kBegin + EntryTag(0) + InView("A0") + OutOfView("B0") + InView("C0") +
         kEntryEnd + EntryTag(1) + InView("A1") + kEntryEnd + kEnd);
    ASSERT_EQ(owner.sleeps, std::vector<std::int32_t>{100});

    ExpectSteps({{false, 0, 0, 0}});
    ASSERT_EQ(owner.windowText.size(), 1u);
    EXPECT_EQ(owner.windowText[0], "Halvery v1:: Recording 2021-01-01");

    ExpectSteps({{false, 0, 0, 0}});
    EXPECT_EQ(owner.statusText, "Found data start tag");

    ExpectSteps({{true, 2, 1, 1}});
    EXPECT_EQ(owner.messageText, "Reading Data Set :: 3 Aircraft checked");
    EXPECT_EQ(reader.GetAircraftChecked(), 3);

    ExpectSteps({{true, 1, 2, 2}});
    EXPECT_EQ(owner.messageText, "Reading Data Set :: 1 Aircraft checked");

    // The end tag rewinds; the call number keeps its value until the next ordinary step.
    ExpectSteps({{true, 0, 2, 0}});
    EXPECT_EQ(owner.statusText, "Found data end tag");
    EXPECT_EQ(owner.messageText, "Resetting Data Set to beginning");

    // The header line comes round again as an ordinary line; then the file plays again.
    ExpectSteps({{true, 0, 0, 0}, {false, 0, 0, 0}, {true, 2, 1, 1}, {true, 1, 2, 2}});
    EXPECT_EQ(owner.windowText.size(), 1u);
}

TEST_F(DataSetReaderTest, EmptyFileFailsEveryCall) {
    Open("");
    ExpectSteps({{false, 0, 0, 0}, {false, 0, 0, 0}, {false, 0, 0, 0}});
    EXPECT_TRUE(owner.windowText.empty());
    EXPECT_EQ(std::string(reader.GetDataFile()->GetErrorText()),
              "SettingsFileClass::ReadFromSettingsFile\nNULL read from file\n" + path);
}

TEST_F(DataSetReaderTest, HeaderAndEndTagOnlyAlternate) {
    Open(kHeader + kEnd);
    ExpectSteps({{false, 0, 0, 0}});
    for (int round = 0; round < 3; ++round) {
        owner.statusText.clear();
        ExpectSteps({{true, 0, 0, 0}});
        EXPECT_EQ(owner.statusText, "Found data end tag");
        owner.statusText.clear();
        ExpectSteps({{true, 0, 0, 0}});
        EXPECT_EQ(owner.statusText, "");
    }
}

TEST_F(DataSetReaderTest, FirstLineIsTheHeaderWhateverItHolds) {
    Open(kEnd + kBegin + kEnd);
    ExpectSteps({{false, 0, 0, 0}, {false, 0, 0, 0}, {true, 0, 0, 0}});
    EXPECT_EQ(owner.windowText[0], "Halvery v1:: ####_END_####");
}

TEST_F(DataSetReaderTest, FileWithoutEndTagPlaysOnce) {
    Open(kHeader + kBegin + EntryTag(0) + InView("A0") + InView("B0"));
    // The read failure ends the entry, which still counts as read.
    ExpectSteps({{false, 0, 0, 0}, {false, 0, 0, 0}, {true, 2, 1, 1}});
    EXPECT_EQ(reader.GetAircraftChecked(), 2);
    ExpectSteps({{false, 0, 1, 1}, {false, 0, 1, 1}});
    EXPECT_EQ(reader.GetLineBuffer()[0], '\0');
}

TEST_F(DataSetReaderTest, NumberingGapStopsReadingUntilTheEnd) {
    Open(kHeader + kBegin + EntryTag(0) + InView("A0") + kEntryEnd + EntryTag(2) + InView("A2") +
         kEntryEnd + kEnd);
    ExpectSteps({{false, 0, 0, 0},
                 {false, 0, 0, 0},
                 {true, 1, 1, 1},
                 // Entry 2's tag, its line and its end tag are passed over one per call.
                 {true, 0, 1, 1},
                 {true, 0, 1, 1},
                 {true, 0, 1, 1},
                 {true, 0, 1, 0},
                 {true, 0, 0, 0},
                 {false, 0, 0, 0},
                 {true, 1, 1, 1}});
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
    ASSERT_TRUE(reader.RequestHistoricData());
    EXPECT_EQ(reader.GetAircraftChecked(), c.checked);
    const bool lastProcessed = c.aircraftLines <= kMaxEntryLines;
    EXPECT_EQ(Publish(), lastProcessed ? 1 : 0);
    for (int i = 0; i < c.strayCalls; ++i) {
        ExpectSteps({{true, 0, 1, 1}});
    }
    ExpectSteps({{true, 0, 1, 0}});
    EXPECT_EQ(owner.statusText, "Found data end tag");
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
    ExpectSteps({{false, 0, 0, 0}, {false, 0, 0, 0}});
    EXPECT_EQ(owner.windowText[0], "Halvery v1:: Recording");
    ASSERT_TRUE(reader.RequestHistoricData());
    AircraftRecord record{};
    ASSERT_EQ(analyser.GetAircraftInView(1, &record), 1);
    EXPECT_EQ(record.verticalRate, -2.5);
    EXPECT_EQ(reader.GetAircraftChecked(), 1);
    ExpectSteps({{true, 0, 1, 0}});
}

TEST_F(DataSetReaderTest, MissingFileShowsTheNoDataFileMessage) {
    const std::string missing = testing::TempDir() + "corvane_no_such_dir/TrafficLog.dat";
    EXPECT_FALSE(reader.OpenTrafficDataFile(missing.c_str()));
    EXPECT_FALSE(reader.IsFileOpen());
    EXPECT_EQ(owner.sleeps, std::vector<std::int32_t>{100});
    ASSERT_EQ(owner.messageBoxes.size(), 1u);
    EXPECT_EQ(owner.messageBoxes[0].first, "TCAS:: No Aircraft Data File");
    const std::string& text = owner.messageBoxes[0].second;
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
    EXPECT_EQ(owner.messageText, "No Data File");

    // Without a file every step does nothing.
    EXPECT_FALSE(reader.ReadDataSet());
    reader.ResetDataSet();
    reader.ReadEntry();
    reader.CloseTrafficDataFile();
    EXPECT_EQ(owner.messageText, "No Data File");
}

// A folder by the data file's name is no file to make: the message leaves that cure out.
TEST_F(DataSetReaderTest, FolderAsDataFileShowsNoCureOfMakingAFile) {
    const std::string folder = testing::TempDir();
    EXPECT_FALSE(reader.OpenTrafficDataFile(folder.c_str()));
    ASSERT_EQ(owner.messageBoxes.size(), 1u);
    const std::string& text = owner.messageBoxes[0].second;
    EXPECT_NE(text.find("Please download a traffic data file from\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("trafficlog convert"), std::string::npos) << text;
    EXPECT_EQ(owner.messageText, "No Data File");
}

// A read that fails marks the reader and shows the file's report; opening again by the path
// starts from the header line, with whatever the file holds now.
TEST_F(DataSetReaderTest, FailedReadIsReportedAndTheFileOpensAgainByItsPath) {
    Open(kHeader + kBegin + EntryTag(0) + InView("A0") + kEntryEnd);
    ExpectSteps({{false, 0, 0, 0}, {false, 0, 0, 0}, {true, 1, 1, 1}});
    EXPECT_FALSE(reader.HasReadFailed());
    ExpectSteps({{false, 0, 1, 1}});
    EXPECT_TRUE(reader.HasReadFailed());
    EXPECT_EQ(owner.messageText,
              "SettingsFileClass::ReadFromSettingsFile\nNULL read from file\n" + path);

    std::ofstream(path, std::ios::binary | std::ios::trunc)
        << "Refilled\n" + kBegin + EntryTag(0) + InView("B0") + InView("C0") + kEntryEnd + kEnd;
    ASSERT_TRUE(reader.ReopenTrafficDataFile());
    EXPECT_FALSE(reader.HasReadFailed());
    EXPECT_TRUE(owner.messageBoxes.empty());
    ExpectSteps({{false, 0, 1, 0}, {false, 0, 1, 0}, {true, 2, 1, 1}});
    EXPECT_EQ(owner.windowText.back(), "Halvery v1:: Refilled");
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
    EXPECT_EQ(owner.messageText, std::string("SettingsFileClass::OpenFileForReading\n") +
                                     std::strerror(ENOENT) + "\n" + path);
    EXPECT_TRUE(owner.messageBoxes.empty()); // no box in the middle of a run
    EXPECT_FALSE(reader.RequestHistoricData());

    std::ofstream(path, std::ios::binary) << kHeader + kEnd;
    EXPECT_TRUE(reader.ReopenTrafficDataFile());
    ExpectSteps({{false, 0, 0, 0}, {true, 0, 0, 0}});
}

} // namespace
