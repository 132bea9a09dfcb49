#include "tools/fg/models/AircraftDatabase.h"
#include "tests/support/TempDirectory.h"
#include "tools/fg/models/CsvLine.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

using AircraftDatabaseTest = TempDirectoryTest;

namespace {
std::string Info(const AircraftInfo* info) {
    if (info == nullptr) {
        return "none";
    }
    return std::string(info->registration) + "|" + info->typeCode + "|" + info->description + "|" +
           info->operatorCode;
}
} // namespace

TEST_F(AircraftDatabaseTest, ColumnsAreFoundByTheirNamesInAnyOrder) {
    WriteBinary("a.csv", "'typecode','icao24','model','operatoricao','registration',"
                         "'icaoaircrafttype'\r\n"
                         "'A320','4CA001','Airbus, A320','EIN','EI-CVA','L2J'\r\n"
                         "'','4ca002','','','',''\r\n");
    AircraftDatabase database;
    ASSERT_TRUE(database.Load(PathOf("a.csv")));
    EXPECT_EQ(Info(database.Find(0x4ca001)), "EI-CVA|A320|L2J|EIN");
    EXPECT_EQ(Info(database.Find(0x4ca002)), "|||");
    EXPECT_EQ(Info(database.Find(0x4ca003)), "none");
    EXPECT_EQ(database.Counts().bad, 0);
}

TEST_F(AircraftDatabaseTest, BadRowsAreCountedAndSkipped) {
    WriteBinary("b.csv", "\"icao24\",\"registration\",\"typecode\"\n"
                         "\"4ca001\",\"EI-CVA\",\"A320\"\n"
                         "\"4ca00g\",\"EI-CVB\",\"A320\"\n"          // not hexadecimal
                         "\"1234567\",\"EI-CVC\",\"A320\"\n"         // too long an address
                         "\"4ca004\",\"EI-CVD\n"                     // quote not closed
                         "\"4ca005\",\"EI-THIS-IS-LONG\",\"A320\"\n" // does not fit
                         "\n"                                        // no address
                         "\"4ca006\"x,\"EI-CVF\",\"A320\"\n"         // junk after a quote
                         "4ca007,\"EI-\"\"Q\",B738,extra,fields\n" // a doubled quote, more columns
                             + std::string(kMaxDatabaseLine * 2, 'z') +
                             "\n"
                             "4ca001,EI-NEW,A321\n"); // the later row counts
    AircraftDatabase database;
    ASSERT_TRUE(database.Load(PathOf("b.csv")));
    EXPECT_EQ(database.Counts().rows, 10);
    EXPECT_EQ(database.Counts().bad, 7);
    EXPECT_EQ(database.Size(), 2u);
    EXPECT_EQ(Info(database.Find(0x4ca001)), "EI-NEW|A321||");
    EXPECT_EQ(Info(database.Find(0x4ca007)), "EI-\"Q|B738||");
}

TEST_F(AircraftDatabaseTest, ReadsAGzipFileAndRefusesOneWithoutAddresses) {
    const std::string text = "icao24,registration\n3c0001,D-AIPA\n";
    gzFile file = gzopen(PathOf("c.csv.gz").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    gzwrite(file, text.data(), static_cast<unsigned>(text.size()));
    gzclose(file);
    AircraftDatabase database;
    ASSERT_TRUE(database.Load(PathOf("c.csv.gz")));
    EXPECT_EQ(Info(database.Find(0x3c0001)), "D-AIPA|||");

    WriteBinary("d.csv", "address,registration\n3c0001,D-AIPA\n");
    AircraftDatabase noAddress;
    EXPECT_FALSE(noAddress.Load(PathOf("d.csv")));
    EXPECT_NE(noAddress.FullErrorText().find("icao24"), std::string::npos);
    AircraftDatabase missing;
    EXPECT_FALSE(missing.Load(PathOf("missing.csv")));
}

// Saved again by Notepad or a spreadsheet, OpenSky's file starts with a byte order mark; it was
// refused as a file "with no header with icao24", while trafficlog convert read past it.
TEST_F(AircraftDatabaseTest, AByteOrderMarkBeforeTheHeaderIsPassedOver) {
    const std::string text = "\xEF\xBB\xBF\"icao24\",\"registration\"\n\"3c0001\",\"D-AIPA\"\n";
    WriteBinary("bom.csv", text);
    gzFile file = gzopen(PathOf("bom.csv.gz").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    gzwrite(file, text.data(), static_cast<unsigned>(text.size()));
    gzclose(file);
    for (const char* name : {"bom.csv", "bom.csv.gz"}) {
        AircraftDatabase database;
        ASSERT_TRUE(database.Load(PathOf(name))) << database.FullErrorText();
        EXPECT_EQ(Info(database.Find(0x3c0001)), "D-AIPA|||") << name;
    }
}

// What the database holds grows with its aircraft, not its rows: many rows of three aircraft
// keep three entries (the last row of each counting), and a hundred thousand aircraft are each
// found, with nothing found for an address it does not have.
TEST_F(AircraftDatabaseTest, OneEntryPerAircraftHoweverManyRows) {
    std::string rows = "icao24,registration\n";
    for (int i = 0; i < 300000; ++i) {
        rows += "a0000" + std::to_string(i % 3) + ",R" + std::to_string(i) + "\n";
    }
    WriteBinary("rows.csv", rows);
    AircraftDatabase database;
    EXPECT_EQ(database.Find(0xa00000), nullptr);
    ASSERT_TRUE(database.Load(PathOf("rows.csv")));
    EXPECT_EQ(database.Size(), 3u);
    EXPECT_EQ(database.Counts().rows, 300000);
    EXPECT_EQ(Info(database.Find(0xa00000)), "R299997|||");
    EXPECT_EQ(Info(database.Find(0xa00002)), "R299999|||");

    // An odd multiplier visits every 24-bit address once: these are all distinct.
    const auto address = [](std::uint32_t i) { return (i * 0x9E3779u) & 0xFFFFFFu; };
    constexpr std::uint32_t kAircraft = 100000;
    std::string many = "icao24,registration\n";
    char row[32];
    for (std::uint32_t i = 0; i < kAircraft; ++i) {
        std::snprintf(row, sizeof row, "%06x,N%u\n", address(i), i);
        many += row;
    }
    WriteBinary("many.csv", many);
    ASSERT_TRUE(database.Load(PathOf("many.csv")));
    EXPECT_EQ(database.Size(), kAircraft);
    int wrong = 0;
    for (std::uint32_t i = 0; i < kAircraft + 1000; ++i) {
        const AircraftInfo* info = database.Find(address(i));
        const bool right = i < kAircraft
                               ? info != nullptr && "N" + std::to_string(i) == info->registration
                               : info == nullptr;
        wrong += right ? 0 : 1;
    }
    EXPECT_EQ(wrong, 0);
}

// A download cut short was read as far as it went and taken for the whole database.
TEST_F(AircraftDatabaseTest, ACompressedDatabaseCutShortIsRefusedWithTheReason) {
    std::string text = "icao24,registration\n";
    for (int i = 0; i < 50000; ++i) {
        text += std::to_string(100000 + i) + ",R" + std::to_string(i * 7919) + "\n";
    }
    gzFile file = gzopen(PathOf("cut.csv.gz").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    gzwrite(file, text.data(), static_cast<unsigned>(text.size()));
    gzclose(file);
    std::filesystem::resize_file(PathOf("cut.csv.gz"),
                                 std::filesystem::file_size(PathOf("cut.csv.gz")) / 2);
    AircraftDatabase database;
    EXPECT_FALSE(database.Load(PathOf("cut.csv.gz")));
    EXPECT_EQ(database.FullErrorText(), "cannot read the aircraft database " +
                                            PathOf("cut.csv.gz") +
                                            ": the gzip data ends early: the file is cut short");
}

TEST(CsvLineTest, SplitsQuotedAndPlainFields) {
    std::vector<std::string> fields;
    ASSERT_TRUE(SplitCsvLine("a,'b,c',\"d\"\"e\",,", fields));
    EXPECT_EQ(fields, (std::vector<std::string>{"a", "b,c", "d\"e", "", ""}));
    ASSERT_TRUE(SplitCsvLine("", fields));
    EXPECT_EQ(fields, (std::vector<std::string>{""}));
    EXPECT_FALSE(SplitCsvLine("'open", fields));
    EXPECT_FALSE(SplitCsvLine("'a'b,c", fields));
}
