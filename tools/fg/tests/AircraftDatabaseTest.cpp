#include "tools/fg/models/AircraftDatabase.h"
#include "tests/support/TempDirectory.h"
#include "tools/fg/models/CsvLine.h"

#include <gtest/gtest.h>
#include <zlib.h>

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

TEST(CsvLineTest, SplitsQuotedAndPlainFields) {
    std::vector<std::string> fields;
    ASSERT_TRUE(SplitCsvLine("a,'b,c',\"d\"\"e\",,", fields));
    EXPECT_EQ(fields, (std::vector<std::string>{"a", "b,c", "d\"e", "", ""}));
    ASSERT_TRUE(SplitCsvLine("", fields));
    EXPECT_EQ(fields, (std::vector<std::string>{""}));
    EXPECT_FALSE(SplitCsvLine("'open", fields));
    EXPECT_FALSE(SplitCsvLine("'a'b,c", fields));
}
