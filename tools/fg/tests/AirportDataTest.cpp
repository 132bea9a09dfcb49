#include "tools/fg/scenery/AirportData.h"

#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

const char kOneAirport[] =
    "I\n1000 Version\n\n"
    "1 13 1 1 PHNL Honolulu Intl\n"
    "100 45.72 1 0 0.25 0 2 1 08L 21.32524700 -157.94323300 0.00 304.80 3 7 0 0 "
    "26R 21.32524400 -157.90709400 0.00 199.64 3 0 0 1\n"
    "99\n";

class AirportDataTest : public TempDirectoryTest {
protected:
    void SetUp() override {
        TempDirectoryTest::SetUp();
        fs::create_directories(directory / "root" / "Airports");
        WriteBinary("root/Airports/apt.dat.gz", kOneAirport);
        root = PathOf("root");
        cache = PathOf("cache");
    }

    AirportData Load(bool expectCache) {
        AirportData data;
        std::string error;
        EXPECT_TRUE(LoadAirports(root, cache, data, error)) << error;
        EXPECT_EQ(data.fromCache, expectCache);
        EXPECT_EQ(data.cacheNote, "");
        return data;
    }

    std::vector<fs::path> CacheFiles() const {
        std::vector<fs::path> files;
        std::error_code error;
        for (fs::directory_iterator it(cache, error), end; !error && it != end; ++it) {
            files.push_back(it->path());
        }
        return files;
    }

    std::string root;
    std::string cache;
};

TEST_F(AirportDataTest, KeptIndexServesTheNextStartUntilTheDataChanges) {
    const AirportData first = Load(false);
    EXPECT_EQ(first.index.AirportCount(), 1u);
    EXPECT_EQ(first.aptDat, (fs::path(root) / "Airports" / "apt.dat.gz").string());
    ASSERT_EQ(CacheFiles().size(), 1u); // and no temporary file left beside it

    const AirportData second = Load(true);
    EXPECT_EQ(second.index.AirportCount(), 1u);
    EXPECT_STREQ(second.index.Nearest(21.325, -157.92, 5000)->code, "PHNL");

    // A new apt.dat (FlightGear updated) makes a new index.
    WriteBinary("root/Airports/apt.dat.gz", std::string(kOneAirport) +
                                                "1 5 0 0 PHJR Kalaeloa\n"
                                                "102 H1 21.30 -158.07 0 20 20 1 0 0 0 0\n");
    fs::last_write_time(PathOf("root/Airports/apt.dat.gz"),
                        fs::last_write_time(PathOf("root/Airports/apt.dat.gz")) +
                            std::chrono::seconds(5));
    EXPECT_EQ(Load(false).index.AirportCount(), 2u);
    EXPECT_EQ(Load(true).index.AirportCount(), 2u);
    EXPECT_EQ(CacheFiles().size(), 1u);
}

TEST_F(AirportDataTest, ABrokenKeptIndexIsMadeAgain) {
    Load(false);
    const fs::path kept = CacheFiles().at(0);
    fs::resize_file(kept, fs::file_size(kept) / 2);
    EXPECT_EQ(Load(false).index.AirportCount(), 1u);
    EXPECT_EQ(Load(true).index.AirportCount(), 1u);
}

TEST_F(AirportDataTest, WithoutACacheFolderTheDataIsReadEachTime) {
    WriteBinary("cache", "a file where the folder would be");
    AirportData data;
    std::string error;
    ASSERT_TRUE(LoadAirports(root, cache, data, error)) << error;
    EXPECT_FALSE(data.fromCache);
    EXPECT_EQ(data.index.AirportCount(), 1u);
    EXPECT_NE(data.cacheNote, "");
    AirportData uncached;
    ASSERT_TRUE(LoadAirports(root, "", uncached, error)) << error;
    EXPECT_FALSE(uncached.fromCache);
    EXPECT_EQ(uncached.cacheNote, "");
}

TEST_F(AirportDataTest, WithoutAirportDataThereAreNoAirports) {
    fs::remove(PathOf("root/Airports/apt.dat.gz"));
    AirportData data;
    std::string error;
    EXPECT_FALSE(LoadAirports(root, cache, data, error));
    EXPECT_NE(error.find("cannot open FlightGear's airport data"), std::string::npos) << error;
    EXPECT_EQ(data.index.AirportCount(), 0u);
}

} // namespace
