// What the bridge reads at start, read as hostile files are written: limits said in words, a
// byte order mark, gzip members back to back and cut short, lines too long, grids too large or
// short by a byte, and a stop asked for in the middle.
#include "tools/fg/models/StartInput.h"
#include "tools/fg/FgOptions.h"
#include "tools/fg/models/GzipLines.h"
#include "tools/fg/models/ModelOverrides.h"
#include "tools/fg/scenery/AptDat.h"
#include "tools/fg/scenery/GeoidFile.h"

#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// A watch that asks to stop after a number of looks, and counts them and the waits it hears of.
class CountingWatch : public ReadWatch {
public:
    explicit CountingWatch(int stopAfter = -1) : stopAfter(stopAfter) {}
    bool StopRequested() override {
        ++looks;
        return stopAfter >= 0 && looks > stopAfter;
    }
    void Waiting(const std::string& path) override { waits.push_back(path); }

    int looks = 0;
    std::vector<std::string> waits;

private:
    int stopAfter;
};

class StartInputTest : public TempDirectoryTest {
protected:
    std::string WriteGzip(const std::string& name, const std::string& text) const {
        return WriteBinary(name, Compressed(text));
    }

    // One gzip member holding `text`.
    std::string Compressed(const std::string& text) const {
        const std::string path = PathOf("member.gz");
        gzFile file = gzopen(path.c_str(), "wb");
        gzwrite(file, text.data(), static_cast<unsigned>(text.size()));
        gzclose(file);
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Every line of a file as GzipLines gives it, a line too long as "<too long>".
    static std::vector<std::string> Lines(const std::string& path, std::size_t maxLine,
                                          std::string* why = nullptr) {
        GzipLines reader(path, maxLine);
        std::vector<std::string> lines;
        std::string_view line;
        bool tooLong = false;
        while (reader.Next(line, tooLong)) {
            lines.push_back(tooLong ? "<too long>" : std::string(line));
        }
        if (why != nullptr) {
            *why = reader.Failed() ? reader.Why() : "";
        }
        return lines;
    }

    static std::string Blocks(const std::string& path, std::size_t maxLine) {
        GzipLines reader(path, maxLine);
        std::string all;
        std::string_view block;
        while (reader.NextBlock(block)) {
            all += block;
        }
        return all;
    }
};

using Strings = std::vector<std::string>;

// A geoid grid's header: its south-west corner at `south` and 0 E, square steps.
std::string GeoidHeader(double south, double step, std::int32_t rows, std::int32_t columns) {
    std::string bytes;
    const auto put = [&bytes](std::uint64_t value, int size) {
        for (int i = size - 1; i >= 0; --i) {
            bytes.push_back(static_cast<char>(value >> (8 * i)));
        }
    };
    for (const double value : {south, 0.0, step, step}) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        put(bits, 8);
    }
    put(static_cast<std::uint32_t>(rows), 4);
    put(static_cast<std::uint32_t>(columns), 4);
    return bytes;
}

// A model table over 4 MiB was refused as one that "cannot be read", which sent the user looking
// for a missing file or a permission; the limit is said, in the refusal and in the help. A
// sparse file of 64 GiB is refused as fast, by the byte beyond the limit.
TEST_F(StartInputTest, ALimitIsKeptAndSaidInWords) {
    std::string text;
    std::string why;
    CountingWatch watch;
    const std::string line = "RYR AI/Aircraft/738/738-Ryanair.xml\n";
    std::string table;
    while (table.size() + line.size() <= kMaxModelTableBytes) {
        table += line;
    }
    table.resize(kMaxModelTableBytes, '#');
    WriteBinary("full.txt", table);
    EXPECT_EQ(ReadWholeFile(PathOf("full.txt"), kMaxModelTableBytes, FileKinds::PipesToo, watch,
                            text, why),
              WholeFile::Read);
    EXPECT_EQ(text.size(), kMaxModelTableBytes);

    WriteBinary("over.txt", table + "\n");
    EXPECT_EQ(ReadWholeFile(PathOf("over.txt"), kMaxModelTableBytes, FileKinds::PipesToo, watch,
                            text, why),
              WholeFile::TooLarge);
    EXPECT_EQ(why, "larger than 4 MiB");
    EXPECT_TRUE(text.empty());
    ModelOverrides overrides;
    EXPECT_FALSE(overrides.Load(PathOf("over.txt")));
    EXPECT_EQ(overrides.FullErrorText(),
              "the model table is larger than 4 MiB, the most a model table may hold");
    EXPECT_NE(std::string(FgUsageText()).find("(at most 4 MiB)"), std::string::npos);

    WriteBinary("huge.txt", "");
#ifdef _WIN32
    constexpr std::uintmax_t kHuge = 1ull << 30; // 64 GiB is refused there as too large
#else
    constexpr std::uintmax_t kHuge = 1ull << 36;
#endif
    std::filesystem::resize_file(PathOf("huge.txt"), kHuge);
    EXPECT_FALSE(overrides.Load(PathOf("huge.txt")));
    EXPECT_NE(overrides.FullErrorText().find("larger than 4 MiB"), std::string::npos);

    EXPECT_EQ(ReadWholeFile(PathOf("missing.txt"), 10, FileKinds::PipesToo, watch, text, why),
              WholeFile::Failed);
    EXPECT_EQ(why, std::strerror(ENOENT));
    EXPECT_FALSE(overrides.Load(PathOf("missing.txt")));
    EXPECT_EQ(overrides.FullErrorText(),
              std::string("cannot read the model table: ") + std::strerror(ENOENT));
    EXPECT_EQ(SizeInWords(100), "100 bytes");
    EXPECT_EQ(SizeInWords(512ull << 20), "512 MiB");
}

// Notepad saves UTF-8 with a byte order mark; it is no part of the first line, of a plain file
// or a compressed one, and only there.
TEST_F(StartInputTest, AByteOrderMarkIsPassedOverBeforeTheFirstLineOnly) {
    const std::string text = "\xEF\xBB\xBF"
                             "first\n\xEF\xBB\xBF"
                             "second\n";
    WriteBinary("plain.txt", text);
    WriteGzip("packed.gz", text);
    for (const std::string& path : {PathOf("plain.txt"), PathOf("packed.gz")}) {
        EXPECT_EQ(Lines(path, 100), (Strings{"first", "\xEF\xBB\xBFsecond"})) << path;
        EXPECT_EQ(Blocks(path, 100), "first\n\xEF\xBB\xBFsecond\n") << path;
    }
    WriteBinary("models.txt", "\xEF\xBB\xBFRYR AI/Aircraft/738/738-Ryanair.xml\n");
    ModelOverrides overrides;
    ASSERT_TRUE(overrides.Load(PathOf("models.txt"))) << overrides.FullErrorText();
    EXPECT_EQ(overrides.Find("RYR123", -1), "AI/Aircraft/738/738-Ryanair.xml");
}

// gzip -dc reads members back to back and ignores padding after the last; a member cut short
// or damaged is a read that fails, with the reason.
TEST_F(StartInputTest, GzipMembersBackToBackPaddingAndDamage) {
    WriteBinary("two.gz", Compressed("a\nb") + Compressed("c\n") + std::string(16, '\0'));
    std::string why;
    EXPECT_EQ(Lines(PathOf("two.gz"), 100, &why), (Strings{"a", "bc"}));
    EXPECT_EQ(why, "");

    const std::string whole = Compressed(std::string(1 << 20, 'a'));
    WriteBinary("cut.gz", whole.substr(0, whole.size() / 2));
    Lines(PathOf("cut.gz"), 100, &why);
    EXPECT_EQ(why, "the gzip data ends early: the file is cut short");
    std::string damaged = whole;
    damaged[20] = static_cast<char>(damaged[20] ^ 0x55);
    damaged[21] = static_cast<char>(damaged[21] ^ 0x55);
    WriteBinary("damaged.gz", damaged);
    Lines(PathOf("damaged.gz"), 100, &why);
    EXPECT_EQ(why.rfind("the gzip data is damaged: ", 0), 0u) << why;
}

// A line too long is given as such as soon as it is known to be, not after its last byte: a
// header of a gigabyte without a line feed (a sparse file) is refused after a piece or two. Its
// rest is passed over, also by the reader of blocks, which once gave the rest as lines of its
// own (in apt.dat, a row that was no row).
TEST_F(StartInputTest, ALineTooLongIsGivenAtOnceAndItsRestIsNoLine) {
    WriteBinary("sparse.csv", "");
    std::filesystem::resize_file(PathOf("sparse.csv"), 1ull << 30);
    CountingWatch watch;
    GzipLines reader(PathOf("sparse.csv"), 4096, FileKinds::RegularOnly, watch);
    std::string_view line;
    bool tooLong = false;
    ASSERT_TRUE(reader.Next(line, tooLong));
    EXPECT_TRUE(tooLong);
    EXPECT_TRUE(line.empty());
    EXPECT_LE(watch.looks, 2);

    const std::string tail = " 1 100 0 0 TAIL\n";
    WriteBinary("long.dat", "a\n" + std::string(600000, 'x') + tail + "b\n");
    EXPECT_EQ(Blocks(PathOf("long.dat"), 4096), "a\nb\n");
    EXPECT_EQ(Lines(PathOf("long.dat"), 4096), (Strings{"a", "<too long>", "b"}));
    AirportIndex index;
    AptDatCounts counts;
    std::string error;
    WriteBinary("apt.dat", "I\n1000 Version\n" + std::string(600000, 'x') + tail + "99\n");
    ASSERT_TRUE(ReadAptDat(PathOf("apt.dat"), index, counts, error)) << error;
    EXPECT_EQ(counts.lines, 3);
    EXPECT_EQ(index.AirportCount(), 0u);
}

// A watch that asks to stop ends a read between its pieces, whatever the reader.
TEST_F(StartInputTest, AStopEndsAReadBetweenItsPieces) {
    WriteGzip("big.gz", std::string(4 << 20, '\n'));
    CountingWatch watch(3);
    GzipLines reader(PathOf("big.gz"), 100, FileKinds::RegularOnly, watch);
    std::string_view block;
    std::size_t given = 0;
    while (reader.NextBlock(block)) {
        given += block.size();
    }
    EXPECT_TRUE(reader.Stopped());
    EXPECT_TRUE(reader.Failed());
    // The compressed bytes are read at once: the watch is asked for each piece of text too.
    EXPECT_LT(given, 4u << 20);

    std::string text;
    std::string why;
    CountingWatch stopNow(0);
    EXPECT_EQ(ReadWholeFile(PathOf("big.gz"), 1 << 20, FileKinds::RegularOnly, stopNow, text, why),
              WholeFile::Stopped);
    AirportIndex index;
    AptDatCounts counts;
    EXPECT_FALSE(ReadAptDat(PathOf("big.gz"), index, counts, why, stopNow));
    EXPECT_EQ(why, "stopped while reading FlightGear's airport data " + PathOf("big.gz"));
    GeoidGrid grid;
    EXPECT_FALSE(LoadGeoidGrid(PathOf("big.gz"), FileKinds::PipesToo, grid, why, stopNow));
    EXPECT_EQ(why, "stopped while reading the geoid grid " + PathOf("big.gz"));

    // A grid's values were read in one piece, however large: a stop waited for all of them.
    const std::string header = GeoidHeader(-90, 1.0 / 15, 2701, 5400); // 58 MB
    WriteBinary("world.gtx", header);
    std::filesystem::resize_file(PathOf("world.gtx"), header.size() + 2701ull * 5400 * 4);
    CountingWatch stopSoon(3);
    EXPECT_FALSE(LoadGeoidGrid(PathOf("world.gtx"), FileKinds::RegularOnly, grid, why, stopSoon));
    EXPECT_EQ(why, "stopped while reading the geoid grid " + PathOf("world.gtx"));
    EXPECT_FALSE(grid.IsLoaded());
}

// The world has about 34 000 airports: a file of many times more (a gzip bomb of airport rows)
// is refused before its index outgrows memory, and the index is left empty.
TEST_F(StartInputTest, AirportDataOfTooManyAirportsIsRefused) {
    const std::string row = "1 10 0 0 XXXX\n";
    std::string text = "I\n1000 Version\n";
    text.reserve(text.size() + row.size() * (kMaxAirports + 1));
    for (std::size_t i = 0; i <= kMaxAirports; ++i) {
        text += row;
    }
    WriteGzip("apt.dat.gz", text);
    AirportIndex index;
    AptDatCounts counts;
    std::string error;
    EXPECT_FALSE(ReadAptDat(PathOf("apt.dat.gz"), index, counts, error));
    EXPECT_EQ(error, "FlightGear's airport data " + PathOf("apt.dat.gz") +
                         " holds more than 250000 airports or 500000 runways: no airport data "
                         "of the world is so large");
    EXPECT_EQ(index.AirportCount(), 0u);
    text.resize(text.size() - row.size());
    WriteGzip("apt.dat.gz", text);
    ASSERT_TRUE(ReadAptDat(PathOf("apt.dat.gz"), index, counts, error)) << error;
    EXPECT_EQ(index.AirportCount(), kMaxAirports);
}

// A grid read as it comes holds nothing but the grid: its header is judged before a value is
// read (a header that claims more than 512 MiB is refused however small the file), and a file a
// byte short or a byte long is no grid.
TEST_F(StartInputTest, AGeoidGridIsJudgedByItsHeaderAndHeldAlone) {
    GeoidGrid grid;
    std::string error;
    EXPECT_FALSE(LoadGeoidGrid(PathOf("missing.gtx"), FileKinds::PipesToo, grid, error));
    EXPECT_NE(error.find("cannot open the geoid grid"), std::string::npos) << error;
    WriteBinary("text.gtx", "not a grid at all, but long enough to be read");
    EXPECT_FALSE(LoadGeoidGrid(PathOf("text.gtx"), FileKinds::PipesToo, grid, error));
    EXPECT_NE(error.find("is no grid"), std::string::npos) << error;

    // Two rows of three columns, a degree apart, from 10 N 0 E.
    const std::string small = GeoidHeader(10, 1, 2, 3);
    const std::string values(2 * 3 * 4, '\0');
    WriteBinary("good.gtx", small + values);
    ASSERT_TRUE(LoadGeoidGrid(PathOf("good.gtx"), FileKinds::RegularOnly, grid, error)) << error;
    EXPECT_DOUBLE_EQ(*grid.Undulation(10.5, 1.5), 0);
    for (const std::string& bytes : {small + values.substr(1), small + values + "x"}) {
        WriteBinary("off.gtx", bytes);
        EXPECT_FALSE(LoadGeoidGrid(PathOf("off.gtx"), FileKinds::RegularOnly, grid, error));
        EXPECT_EQ(error, "the geoid grid " + PathOf("off.gtx") +
                             " is no grid: its size does not fit its header");
        EXPECT_FALSE(grid.IsLoaded());
    }
    // A one-minute grid of the world: 933 MB.
    WriteBinary("claims.gtx", GeoidHeader(-90, 1.0 / 60, 10801, 21600));
    EXPECT_FALSE(LoadGeoidGrid(PathOf("claims.gtx"), FileKinds::RegularOnly, grid, error));
    EXPECT_EQ(error, "the geoid grid " + PathOf("claims.gtx") +
                         " is no grid: its header holds a grid larger than 512 MiB");
}

} // namespace
