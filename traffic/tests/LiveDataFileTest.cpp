// Following a data file that is still being written, through real files: only complete lines
// and complete entries count, the file grows between looks, is closed, replaced or cut short.

#include "traffic/LiveDataFile.h"

#include "traffic/tests/LiveFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

namespace {

std::string LinesOf(const LiveDataFile& file) {
    return std::string(file.EntryLines().begin(), file.EntryLines().end());
}

class LiveDataFileTest : public ::testing::Test {
protected:
    std::string Start(const std::string& content) {
        path = folder.Write("TrafficLog.dat", content);
        live.Follow(path.c_str());
        return path;
    }

    LiveFolder folder;
    std::string path;
    LiveDataFile live;
};

const std::string kEntry0 = EntryText(0, {LiveAircraft("ZERO", 100)});
const std::string kEntry1 = EntryText(1, {LiveAircraft("ONE", 110), LiveAircraft("UNO", 110)});
const std::string kLines1 = LiveLines({LiveAircraft("ONE", 110), LiveAircraft("UNO", 110)});

TEST_F(LiveDataFileTest, NewestCompleteEntryIsTakenAndItsLinesRead) {
    Start(LiveHeader("Channel feed") + kEntry0 + kEntry1 + "####_ENTRY_2_####\n" +
          LiveAircraft("TWO", 120));
    ASSERT_TRUE(live.Look()) << live.GetErrorText();
    ASSERT_TRUE(live.HasEntry());
    EXPECT_EQ(live.NewestEntry().number, 1);
    EXPECT_EQ(LinesOf(live), kLines1);
    EXPECT_FALSE(live.IsClosed());
    EXPECT_EQ(live.HeaderBytes(), "Channel feed\n");
    EXPECT_EQ(live.HeaderSerial(), 1u);
}

// Each step is the file as a writer leaves it between two writes; the entry counts only once
// its end tag line is whole.
TEST_F(LiveDataFileTest, EntryBeingWrittenIsNeverTaken) {
    struct Step {
        const char* appended;
        bool complete;
    };
    const Step steps[] = {
        {"", false},
        {"####_ENTRY_0_###", false},
        {"#\nZERO|4CA2B5|100|50.5|0.1|3000|3100|90|250|0", false},
        {"\n####_ENTRY_END_###", false},
        {"#", false},
        {"\n", true},
    };
    Start("Header without its line feed");
    ASSERT_TRUE(live.Look());
    EXPECT_EQ(live.HeaderSerial(), 0u) << "a header line still being written is not shown";
    LiveFolder::Append(path, "\n####_BEGIN_####\n");
    for (const Step& step : steps) {
        LiveFolder::Append(path, step.appended);
        ASSERT_TRUE(live.Look()) << live.GetErrorText();
        EXPECT_EQ(live.HasEntry(), step.complete) << "after '" << step.appended << "'";
    }
    EXPECT_EQ(LinesOf(live), "ZERO|4CA2B5|100|50.5|0.1|3000|3100|90|250|0\n");
    EXPECT_EQ(live.HeaderBytes(), "Header without its line feed\n");
}

TEST_F(LiveDataFileTest, GrowingFileIsReadOnlyWhereItGrew) {
    Start(LiveHeader() + kEntry0);
    ASSERT_TRUE(live.Look());
    const std::uint64_t first = live.EntrySerial();
    EXPECT_EQ(live.Examined(), std::filesystem::file_size(path));

    ASSERT_TRUE(live.Look());
    EXPECT_EQ(live.EntrySerial(), first) << "nothing appended, nothing new";

    LiveFolder::Append(path, kEntry1 + EntryText(2, {LiveAircraft("TWO", 120)}));
    ASSERT_TRUE(live.Look());
    EXPECT_GT(live.EntrySerial(), first);
    EXPECT_EQ(live.NewestEntry().number, 2);
    EXPECT_EQ(LinesOf(live), LiveAircraft("TWO", 120));
    EXPECT_EQ(live.HeaderSerial(), 1u) << "the header is read once per file";
}

TEST_F(LiveDataFileTest, EndTagAfterTheLastEntryClosesTheRecording) {
    Start(LiveHeader() + kEntry0);
    ASSERT_TRUE(live.Look());
    EXPECT_FALSE(live.IsClosed());
    LiveFolder::Append(path, "####_END_####\n");
    ASSERT_TRUE(live.Look());
    EXPECT_TRUE(live.IsClosed());
    EXPECT_EQ(live.NewestEntry().number, 0);
    // A recording that goes on after it is open again.
    LiveFolder::Append(path, kEntry1);
    ASSERT_TRUE(live.Look());
    EXPECT_FALSE(live.IsClosed());
    EXPECT_EQ(live.NewestEntry().number, 1);
}

TEST_F(LiveDataFileTest, EndTagInsideAnEntryDoesNotCloseIt) {
    Start(LiveHeader() + "####_ENTRY_0_####\n####_END_####\n" + LiveAircraft("ZERO", 100) +
          "####_ENTRY_END_####\n");
    ASSERT_TRUE(live.Look());
    EXPECT_FALSE(live.IsClosed());
    EXPECT_EQ(LinesOf(live), "####_END_####\n" + LiveAircraft("ZERO", 100));
}

// A new recording moved to the name is followed, though its entries count from 0 again and the
// file is longer than all that was examined of the old one.
TEST_F(LiveDataFileTest, FileReplacedUnderItIsFollowed) {
    Start(LiveHeader("Old") + kEntry0 + kEntry1);
    ASSERT_TRUE(live.Look());
    const std::uint64_t before = live.EntrySerial();
    const std::string replacement = folder.Write(
        "new.dat", LiveHeader("New") + EntryText(0, {LiveAircraft("NEW", 500)}) +
                       EntryText(1, {LiveAircraft(std::string(200, 'N'), 510)}).substr(0, 30));
    std::filesystem::rename(replacement, path);
    ASSERT_TRUE(live.Look()) << live.GetErrorText();
    EXPECT_GT(live.EntrySerial(), before);
    EXPECT_EQ(live.NewestEntry().number, 0);
    EXPECT_EQ(LinesOf(live), LiveAircraft("NEW", 500));
    EXPECT_EQ(live.HeaderBytes(), "New\n");
    EXPECT_EQ(live.HeaderSerial(), 2u);
}

TEST_F(LiveDataFileTest, FileCutShortIsReadAfresh) {
    Start(LiveHeader("Long") + kEntry0 + kEntry1 + EntryText(2, {LiveAircraft("TWO", 120)}));
    ASSERT_TRUE(live.Look());
    const std::uint64_t before = live.EntrySerial();
    // Written over in place: the same file, shorter than what was examined.
    std::filesystem::resize_file(path, 0);
    LiveFolder::Append(path, LiveHeader("Short") + EntryText(7, {LiveAircraft("SEVEN", 900)}));
    ASSERT_TRUE(live.Look());
    EXPECT_GT(live.EntrySerial(), before);
    EXPECT_EQ(live.NewestEntry().number, 7);
    EXPECT_EQ(LinesOf(live), LiveAircraft("SEVEN", 900));
    EXPECT_EQ(live.HeaderBytes(), "Short\n");

    // Emptied: nothing known any more, until the file holds an entry again.
    std::filesystem::resize_file(path, 0);
    ASSERT_TRUE(live.Look());
    EXPECT_FALSE(live.HasEntry());
}

// The first look searches back from the end: far more than its first window of the file lies
// before the newest entries, and an entry larger than that window is still found whole.
TEST_F(LiveDataFileTest, FirstLookFindsTheNewestEntryOfALargeFile) {
    std::string content = LiveHeader();
    int number = 0;
    for (; content.size() < 3 * 1024 * 1024; ++number) {
        content += EntryText(number, {LiveAircraft("A" + std::to_string(number), number)});
    }
    std::vector<std::string> many;
    for (int i = 0; i < 6000; ++i) {
        many.push_back(LiveAircraft("BIG" + std::to_string(i), 7));
    }
    content += EntryText(number, many) + "####_ENTRY_" + std::to_string(number + 1) + "_####\n";
    Start(content + "####_END_####\n");
    ASSERT_TRUE(live.Look());
    EXPECT_EQ(live.NewestEntry().number, number);
    EXPECT_EQ(LinesOf(live), LiveLines(many));
    EXPECT_EQ(live.Examined(), std::filesystem::file_size(path));
}

// A line longer than what is read at once holds no tag for the reader; the lines around it
// count as ever.
TEST_F(LiveDataFileTest, OverlongLineIsPassedOver) {
    const std::string longLine = std::string(200 * 1024, 'L') + "|####_ENTRY_END_####\n";
    Start(LiveHeader() + "####_ENTRY_0_####\n" + longLine + LiveAircraft("ZERO", 1) +
          "####_ENTRY_END_####\n");
    ASSERT_TRUE(live.Look());
    ASSERT_TRUE(live.HasEntry());
    EXPECT_EQ(LinesOf(live), longLine + LiveAircraft("ZERO", 1));
}

TEST_F(LiveDataFileTest, MissingFileFailsWithItsNameThenIsTakenUpWhenItComes) {
    path = folder.Path("later.dat");
    live.Follow(path.c_str());
    EXPECT_FALSE(live.Look());
    EXPECT_NE(std::string(live.GetErrorText()).find("LiveDataFile::Look"), std::string::npos);
    EXPECT_NE(std::string(live.GetErrorText()).find(path), std::string::npos);
    folder.Write("later.dat", LiveHeader() + kEntry0);
    ASSERT_TRUE(live.Look());
    EXPECT_EQ(live.NewestEntry().number, 0);
}

TEST_F(LiveDataFileTest, FolderIsRefused) {
    path = folder.Path("");
    live.Follow(path.c_str());
    EXPECT_FALSE(live.Look());
    EXPECT_FALSE(live.HasEntry());
}

} // namespace

// Tags count where the data file's own reader finds them, in the pieces of kLineBufferSize-1
// bytes it cuts a long line into, each as far as its first NUL byte, and written as a recorder
// writes them: an entry read live holds the lines a play of that entry holds.
struct TagCase {
    const char* name;
    std::string body; // after the header and entry 0
    std::int32_t newest;
    std::string lines;
};

void PrintTo(const TagCase& c, std::ostream* out) {
    *out << c.name;
}

class TagsAsTheReaderFindsThem : public ::testing::TestWithParam<TagCase> {};

TEST_P(TagsAsTheReaderFindsThem, EntryHoldsWhatAPlayOfItReads) {
    const TagCase& c = GetParam();
    LiveFolder folder;
    const std::string path = folder.Write("TrafficLog.dat", LiveHeader() + kEntry0 + c.body);
    LiveDataFile live;
    live.Follow(path.c_str());
    ASSERT_TRUE(live.Look()) << live.GetErrorText();
    EXPECT_EQ(live.NewestEntry().number, c.newest);
    EXPECT_EQ(LinesOf(live), c.lines);
}

const std::string kOne = LiveAircraft("ONE", 110);
const std::string kTwo = LiveAircraft("TWO", 120);
const std::string kNulEnd = std::string(3, '\0') + "####_ENTRY_END_####\n";
const std::string kSplitEnd = std::string(250, 'x') + "####_ENTRY_END_####\n";
const std::string kLateEnd = std::string(300, 'x') + "####_ENTRY_END_####\n";
const std::string kLongTag = "####_ENTRY_1_####" + std::string(260, 'y') + "\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, TagsAsTheReaderFindsThem,
    ::testing::Values(
        TagCase{"EndTagBehindANulByte",
                "####_ENTRY_1_####\n" + kOne + kNulEnd + kTwo + "####_ENTRY_END_####\n", 1,
                kOne + kNulEnd + kTwo},
        TagCase{"EndTagAcrossTwoPieces",
                "####_ENTRY_1_####\n" + kOne + kSplitEnd + kTwo + "####_ENTRY_END_####\n", 1,
                kOne + kSplitEnd + kTwo},
        TagCase{"EndTagInALaterPiece", "####_ENTRY_1_####\n" + kOne + kLateEnd, 1,
                kOne + std::string(255, 'x')},
        TagCase{"EntryTagWithALeadingZero", "####_ENTRY_01_####\n" + kOne + "####_ENTRY_END_####\n",
                0, LiveAircraft("ZERO", 100)},
        TagCase{"EntryTagAfterAnotherMark",
                "####_ENTRY_####_ENTRY_1_####\n" + kOne + "####_ENTRY_END_####\n", 1, kOne},
        TagCase{"EntryTagLineLongerThanAPiece", kLongTag + kOne + "####_ENTRY_END_####\n", 1,
                kLongTag.substr(255) + kOne}),
    [](const auto& info) { return std::string(info.param.name); });

// A recorder started again on the same file empties it and writes a new recording, which may
// have grown past what the last look examined before the next one: it is read afresh, not from
// the middle of a line of the new recording.
TEST_F(LiveDataFileTest, RecordingStartedAgainInTheSameFileIsReadAfresh) {
    const std::string first = LiveHeader() + kEntry0;
    Start(first);
    ASSERT_TRUE(live.Look());
    ASSERT_EQ(live.NewestEntry().number, 0);
    // The new recording's entry tag line begins just before where the old file ended.
    const std::string header = LiveHeader("Started again");
    const std::string filler = std::string(first.size() - 5 - header.size() - 1, 'p') + "\n";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        << header + filler + EntryText(5, {LiveAircraft("FIVE", 500)});
    ASSERT_TRUE(live.Look());
    EXPECT_EQ(live.NewestEntry().number, 5);
    EXPECT_EQ(LinesOf(live), LiveAircraft("FIVE", 500));
    EXPECT_EQ(live.HeaderBytes(), "Started again\n");
}
