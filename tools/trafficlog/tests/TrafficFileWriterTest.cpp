#include "tools/trafficlog/datafile/TrafficFileWriter.h"

#include "tools/trafficlog/datafile/TrafficFileChecker.h"
#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
class NoFindings : public CheckFindingSink {
public:
    void Report(std::int64_t line, CheckFault, const char* text) override {
        ADD_FAILURE() << "line " << line << ": " << text;
    }
};

const char* const kAircraft[kAircraftLineFields] = {
    "BAW123", "4ca2b5", "1717228800", "50.1", "0.2", "3000.5", "3050.0", "90.0", "120.25", "-5.5"};

TEST(TrafficFileWriter, WritesTheFormatTheReaderPlays) {
    TempFile file(".dat");
    TrafficFileWriter writer;
    ASSERT_TRUE(writer.Open(file.Path(), "A header\nwith a second line"));
    ASSERT_TRUE(writer.BeginEntry());
    EXPECT_EQ(writer.WriteAircraft(kAircraft), AircraftLineResult::Written);
    ASSERT_TRUE(writer.BeginEntry()); // closes entry 0 first
    ASSERT_TRUE(writer.Finish());
    EXPECT_EQ(file.Read(), "A header\n####_BEGIN_####\n####_ENTRY_0_####\n"
                           "BAW123|4ca2b5|1717228800|50.1|0.2|3000.5|3050.0|90.0|120.25|-5.5\n"
                           "####_ENTRY_END_####\n####_ENTRY_1_####\n####_ENTRY_END_####\n"
                           "####_END_####\n");
    EXPECT_EQ(writer.EntriesWritten(), 2);
    TrafficFileChecker checker;
    NoFindings sink;
    EXPECT_TRUE(checker.Check(file.Path(), sink));
}

// The same writing into memory gives the file's bytes, and the checker reads them there too; a
// writer finished has nothing open, whichever it wrote to.
TEST(TrafficFileWriter, WritesTheSameBytesIntoMemory) {
    TempFile file(".dat");
    std::string memory = "left from before";
    TrafficFileWriter toFile;
    TrafficFileWriter toMemory;
    ASSERT_TRUE(toFile.Open(file.Path(), "header"));
    ASSERT_TRUE(toMemory.Open(memory, "header"));
    for (TrafficFileWriter* writer : {&toFile, &toMemory}) {
        ASSERT_TRUE(writer->BeginEntry());
        EXPECT_EQ(writer->WriteAircraft(kAircraft), AircraftLineResult::Written);
        ASSERT_TRUE(writer->Flush());
        ASSERT_TRUE(writer->Finish());
        EXPECT_FALSE(writer->Finish());
        EXPECT_FALSE(writer->BeginEntry());
    }
    EXPECT_EQ(memory, file.Read());
    MemoryByteSource bytes(memory.data(), memory.size());
    TrafficFileChecker checker;
    NoFindings sink;
    EXPECT_TRUE(checker.Check(bytes, sink));
    EXPECT_EQ(checker.LinesRead(), 6);
    EXPECT_EQ(checker.EntriesSeen(), 1);
}

TEST(TrafficFileWriter, RefusesLinesTheReaderWouldMisread) {
    TempFile file(".dat");
    TrafficFileWriter writer;
    ASSERT_TRUE(writer.Open(file.Path(), "header"));
    EXPECT_EQ(writer.WriteAircraft(kAircraft), AircraftLineResult::EntryFull); // no entry open
    ASSERT_TRUE(writer.BeginEntry());

    const char* separator[kAircraftLineFields] = {"A|B", "1", "2", "3", "4",
                                                  "5",   "6", "7", "8", "9"};
    EXPECT_EQ(writer.WriteAircraft(separator), AircraftLineResult::FieldHasSeparator);
    const char* lineFeed[kAircraftLineFields] = {"AB", "1\n", "2", "3", "4",
                                                 "5",  "6",   "7", "8", "9"};
    EXPECT_EQ(writer.WriteAircraft(lineFeed), AircraftLineResult::FieldHasControl);

    // 9 separators and 245 characters of fields make 254: the longest line read whole.
    const std::string longest(245 - 9, 'x');
    const char* fits[kAircraftLineFields] = {
        longest.c_str(), "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    EXPECT_EQ(writer.WriteAircraft(fits), AircraftLineResult::Written);
    const std::string tooLong(longest + "x");
    const char* over[kAircraftLineFields] = {
        tooLong.c_str(), "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    EXPECT_EQ(writer.WriteAircraft(over), AircraftLineResult::TooLong);
    EXPECT_EQ(writer.AircraftInEntry(), 1);
}

// The fault named is the first a byte-by-byte walk meets: a byte that may not stand in a line
// counts where the line still has room for it, the length where the line fills up before it.
TEST(TrafficFileWriter, NamesTheFirstFaultOfTheLineAndItsField) {
    struct Case {
        const char* name;
        std::string first; // callsign
        std::string last;  // vertical rate
        AircraftLineResult expected;
        int badField;
    };
    // The other eight fields and the nine separators take 17 characters.
    const std::string full(kMaxAircraftLineLength - 17, 'x');
    const std::string over(kMaxAircraftLineLength, 'x');
    const std::vector<Case> cases = {
        {"Fits", full.substr(1), "9", AircraftLineResult::Written, 9},
        {"FullBeforeTheLastField", full, "9", AircraftLineResult::TooLong, 9},
        {"BadByteWhereTheLineIsFull", full, "#", AircraftLineResult::FieldHasTagMark, 9},
        {"BadByteAfterTheLineIsFull", full, "9|", AircraftLineResult::TooLong, 9},
        {"BadByteFirst", "A|B", "9", AircraftLineResult::FieldHasSeparator, 0},
        {"BadByteAfterAFullField", over + "\x01", "9", AircraftLineResult::FieldHasControl, 0},
        {"TooLongBeforeABadByte", over + "x\x01", "9", AircraftLineResult::TooLong, 0},
        {"BadByteBeforeTooLong", "\x7f" + over, "9", AircraftLineResult::FieldHasControl, 0},
    };
    for (const Case& c : cases) {
        const char* fields[kAircraftLineFields] = {
            c.first.c_str(), "1", "2", "3", "4", "5", "6", "7", "8", c.last.c_str()};
        char line[kMaxAircraftLineLength + 1];
        int badField = -1;
        EXPECT_EQ(FormatAircraftLine(fields, line, badField), c.expected) << c.name;
        EXPECT_EQ(badField, c.badField) << c.name;
        if (c.expected == AircraftLineResult::Written) {
            EXPECT_EQ(std::string(line), c.first + "|1|2|3|4|5|6|7|8|" + c.last) << c.name;
        }
    }
}

TEST(TrafficFileWriter, StopsAnEntryAtWhatTheReaderTakesInOneRequest) {
    TempFile file(".dat");
    TrafficFileWriter writer;
    ASSERT_TRUE(writer.Open(file.Path(), "header"));
    ASSERT_TRUE(writer.BeginEntry());
    for (int i = 0; i < kMaxEntryAircraft; ++i) {
        ASSERT_EQ(writer.WriteAircraft(kAircraft), AircraftLineResult::Written);
    }
    EXPECT_EQ(writer.WriteAircraft(kAircraft), AircraftLineResult::EntryFull);
    ASSERT_TRUE(writer.Finish());
    TrafficFileChecker checker;
    NoFindings sink;
    EXPECT_TRUE(checker.Check(file.Path(), sink));
}

// A data file of hundreds of megabytes goes out in large writes: 100 KB of lines are all still
// held before the flush, and all there after it. One writer writes file after file through its
// one buffer.
TEST(TrafficFileWriter, HoldsItsLinesInALargeBufferUntilTheFlush) {
    TrafficFileWriter writer;
    for (int round = 0; round < 2; ++round) {
        TempFile file(".dat");
        ASSERT_TRUE(writer.Open(file.Path(), "header"));
        ASSERT_TRUE(writer.BeginEntry());
        for (int i = 0; i < 1500; ++i) {
            ASSERT_EQ(writer.WriteAircraft(kAircraft), AircraftLineResult::Written);
        }
        EXPECT_EQ(file.Read().size(), 0u);
        ASSERT_TRUE(writer.Flush());
        const std::string opening = "header\n####_BEGIN_####\n####_ENTRY_0_####\n";
        EXPECT_EQ(file.Read().size(), opening.size() + 1500 * 65u);
        ASSERT_TRUE(writer.Finish());
        TrafficFileChecker checker;
        NoFindings sink;
        EXPECT_TRUE(checker.Check(file.Path(), sink));
    }
}

TEST(TrafficFileWriter, ReportsAFileItCannotCreate) {
    TrafficFileWriter writer;
    EXPECT_FALSE(writer.Open("/nonexistent-folder/x.dat", "header"));
    EXPECT_NE(std::string(writer.GetErrorText()).find("TrafficFileWriter::Open"),
              std::string::npos);
}
} // namespace
