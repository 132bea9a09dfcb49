#include "aviation/Geoid.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

// EGM96 as Debian's proj-data ships it; the test command installs the package.
const char kEgm96[] = CORVANE_EGM96_GRID;

class Egm96Test : public testing::Test {
protected:
    static void SetUpTestSuite() {
        std::ifstream file(kEgm96, std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                              std::istreambuf_iterator<char>()};
        std::string error;
        ASSERT_TRUE(grid.Parse(bytes, error)) << error;
    }
    static GeoidGrid grid;
};
GeoidGrid Egm96Test::grid;

// PROJ's own answers (cct +proj=vgridshift +grids=egm96_15.gtx +multiplier=1), to 0.1 m.
TEST_F(Egm96Test, UndulationAtKnownPlaces) {
    const struct {
        const char* place;
        double latitude;
        double longitude;
        double undulation;
    } places[] = {{"Keflavik", 63.985, -22.606, 66.1},
                  {"Heathrow", 51.470, -0.454, 46.3},
                  {"the sample's own-ship", 50.45, 0.01, 45.0},
                  {"Honolulu", 21.319, -157.923, 14.7},
                  {"San Francisco", 37.619, -122.375, -32.3}};
    for (const auto& p : places) {
        SCOPED_TRACE(p.place);
        const auto n = grid.Undulation(p.latitude, p.longitude);
        ASSERT_TRUE(n.has_value());
        EXPECT_NEAR(*n, p.undulation, 0.051);
    }
}

// EGM96 at the poles: +13.61 m north, -29.53 m south, whatever the longitude.
TEST_F(Egm96Test, PolesAndTheAntimeridian) {
    for (const double longitude : {-180.0, -90.0, 0.0, 45.5, 179.99, 180.0}) {
        SCOPED_TRACE(longitude);
        ASSERT_TRUE(grid.Undulation(90.0, longitude).has_value());
        EXPECT_NEAR(*grid.Undulation(90.0, longitude), 13.61, 0.01);
        EXPECT_NEAR(*grid.Undulation(-90.0, longitude), -29.53, 0.01);
    }
    // -180 and +180 are one meridian; a point just short of it lies between the last column
    // and the first.
    const double west = *grid.Undulation(10.0, -180.0);
    EXPECT_DOUBLE_EQ(*grid.Undulation(10.0, 180.0), west);
    EXPECT_DOUBLE_EQ(*grid.Undulation(10.0, 540.0), west);
    const double lastColumn = *grid.Undulation(10.0, 179.75);
    const double between = *grid.Undulation(10.0, 179.9);
    EXPECT_GT(between, std::min(lastColumn, west));
    EXPECT_LT(between, std::max(lastColumn, west));
    EXPECT_FALSE(grid.Undulation(90.001, 0.0).has_value());
    EXPECT_FALSE(grid.Undulation(std::nan(""), 0.0).has_value());
    EXPECT_FALSE(grid.Undulation(0.0, INFINITY).has_value());
}

// A small grid written in the file's own form.
struct SmallGrid {
    double south = 10;
    double west = 20;
    double latitudeStep = 1;
    double longitudeStep = 1;
    std::int32_t rows = 2;
    std::int32_t columns = 3;
    std::vector<float> values = {0, 10, 20, 100, 110, 120};

    std::vector<std::uint8_t> Bytes() const {
        std::vector<std::uint8_t> bytes;
        const auto put = [&bytes](std::uint64_t value, int size) {
            for (int i = size - 1; i >= 0; --i) {
                bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
            }
        };
        for (const double d : {south, west, latitudeStep, longitudeStep}) {
            put(std::bit_cast<std::uint64_t>(d), 8);
        }
        put(static_cast<std::uint32_t>(rows), 4);
        put(static_cast<std::uint32_t>(columns), 4);
        for (const float f : values) {
            put(std::bit_cast<std::uint32_t>(f), 4);
        }
        return bytes;
    }
};

TEST(GeoidGrid, BilinearInsideARegionalGridAndNothingOutside) {
    GeoidGrid grid;
    std::string error;
    ASSERT_TRUE(grid.Parse(SmallGrid().Bytes(), error)) << error;
    EXPECT_DOUBLE_EQ(*grid.Undulation(10, 20), 0);
    EXPECT_DOUBLE_EQ(*grid.Undulation(11, 22), 120);
    EXPECT_DOUBLE_EQ(*grid.Undulation(10.5, 20.5), 55);
    EXPECT_DOUBLE_EQ(*grid.Undulation(10.25, 21.5), 40);
    // A regional grid does not wrap: east of its last column, south of its first row, nothing.
    EXPECT_FALSE(grid.Undulation(10.5, 22.01).has_value());
    EXPECT_FALSE(grid.Undulation(9.99, 21).has_value());
    EXPECT_FALSE(grid.Undulation(10.5, 19.99).has_value());
}

// The grid's no-data value, and a value that is no number (NaN, an infinity), are a point
// without a value: it never makes an undulation that is no number.
TEST(GeoidGrid, APointWithoutValueCountsOnlyWhereItWeighs) {
    for (const float missing : {-88.8888f, std::nanf(""), INFINITY, -INFINITY}) {
        SmallGrid small;
        small.values[1] = missing;
        GeoidGrid grid;
        std::string error;
        ASSERT_TRUE(grid.Parse(small.Bytes(), error)) << error;
        EXPECT_FALSE(grid.Undulation(10.5, 20.5).has_value());
        EXPECT_FALSE(grid.Undulation(10, 21).has_value());
        // On the row above, or on the column before, the point without a value weighs nothing.
        EXPECT_DOUBLE_EQ(*grid.Undulation(11, 20.5), 105);
        EXPECT_DOUBLE_EQ(*grid.Undulation(10.5, 20), 50);
    }
}

TEST(GeoidGrid, AGridOfTheWholeCircleWrapsAcrossItsWestEdge) {
    SmallGrid small;
    small.west = -180;
    small.longitudeStep = 120;
    GeoidGrid grid;
    std::string error;
    ASSERT_TRUE(grid.Parse(small.Bytes(), error)) << error;
    // Between the last column (+60) and the first (-180, that is +180).
    EXPECT_DOUBLE_EQ(*grid.Undulation(10, 120), 10);
    EXPECT_DOUBLE_EQ(*grid.Undulation(10, -240), 10);
}

TEST(GeoidGrid, MalformedGridsAreRefusedWithTheirReason) {
    const auto refused = [](const std::vector<std::uint8_t>& bytes, const char* reason) {
        GeoidGrid grid;
        std::string error;
        EXPECT_FALSE(grid.Parse(bytes, error));
        EXPECT_NE(error.find(reason), std::string::npos) << error;
        EXPECT_FALSE(grid.IsLoaded());
        EXPECT_FALSE(grid.Undulation(10.5, 20.5).has_value());
    };
    std::vector<std::uint8_t> bytes = SmallGrid().Bytes();
    refused(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 39), "header");
    refused(std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1), "size");
    bytes.push_back(0);
    refused(bytes, "size");
    SmallGrid bad;
    bad.latitudeStep = 0;
    refused(bad.Bytes(), "header");
    bad = SmallGrid();
    bad.longitudeStep = std::nan("");
    refused(bad.Bytes(), "header");
    bad = SmallGrid();
    bad.rows = -2;
    refused(bad.Bytes(), "header");
    bad = SmallGrid();
    bad.south = 89.5;
    refused(bad.Bytes(), "beyond");
    bad = SmallGrid();
    bad.rows = 0x40000000;
    bad.columns = 0x40000000;
    refused(bad.Bytes(), "beyond");
}

} // namespace
