#include "tools/trafficlog/input/InputStream.h"

#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

const std::string kCsv = "time,icao24,lat\n1000,4ca2b5,50.1\r\n1010,4ca2b5,50.2\n";

struct ReadResult {
    bool opened = false;
    bool readFailed = false;
    std::string text;
    std::string error;
    std::string layers;
};

// The file read here or on the thread ahead, or its bytes read from memory.
enum class Reading { Here, Ahead, FromMemory };

ReadResult ReadAll(const std::string& bytes, int pieceSize = 7, Reading reading = Reading::Here) {
    TempFile file(".in");
    file.Write(bytes);
    MemoryByteSource memory(bytes.data(), bytes.size());
    InputStream input;
    ReadResult result;
    result.opened =
        reading == Reading::FromMemory ? input.Open(memory, file.Path()) : input.Open(file.Path());
    if (!result.opened) {
        result.error = input.FullErrorText();
        return result;
    }
    if (reading == Reading::Ahead) {
        input.StartReadingAhead();
    }
    result.layers = input.Layers();
    unsigned char piece[1 << 16];
    int got;
    while ((got = input.Read(piece, pieceSize)) > 0) {
        result.text.append(reinterpret_cast<char*>(piece), static_cast<std::size_t>(got));
    }
    result.readFailed = got < 0;
    result.error = input.FullErrorText();
    if (reading == Reading::FromMemory) {
        EXPECT_EQ(memory.BytesRead(), static_cast<std::int64_t>(bytes.size()));
    } else if (!result.readFailed) {
        EXPECT_EQ(input.FileBytesRead(), static_cast<std::int64_t>(bytes.size()));
    }
    return result;
}

struct Packing {
    const char* name;
    std::string bytes;
    const char* layers;
    bool needsTar;
};

void PrintTo(const Packing& value, std::ostream* out) {
    *out << value.name;
}

class EveryPacking : public testing::TestWithParam<Packing> {};

// An error's reasons without the file it names last: each read here is of a temporary file of
// its own.
std::string Reasons(const std::string& error) {
    return error.substr(0, error.rfind('\n'));
}

TEST_P(EveryPacking, ReadsTheRecordingInside) {
    const Packing& packing = GetParam();
    const ReadResult result = ReadAll(packing.bytes);
    const ReadResult ahead = ReadAll(packing.bytes, 7, Reading::Ahead);
    EXPECT_EQ(ahead.text, result.text);
    EXPECT_EQ(ahead.readFailed, result.readFailed);
    const ReadResult memory = ReadAll(packing.bytes, 7, Reading::FromMemory);
    EXPECT_EQ(memory.text, result.text);
    EXPECT_EQ(Reasons(memory.error), Reasons(result.error));
    EXPECT_EQ(memory.layers, result.layers);
    if (packing.needsTar && !kReadsTar) {
        EXPECT_FALSE(result.opened);
        EXPECT_NE(result.error.find("tar -xf"), std::string::npos) << result.error;
        return;
    }
    ASSERT_TRUE(result.opened) << result.error;
    EXPECT_FALSE(result.readFailed) << result.error;
    EXPECT_EQ(result.text, kCsv);
    EXPECT_EQ(result.layers, packing.layers);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EveryPacking,
    testing::Values(
        Packing{"plain", kCsv, "", false}, Packing{"gzip", GzipBytes(kCsv), "gzip", false},
        // gzip -dc reads members back to back as one text.
        Packing{"two_gzip_members", GzipBytes(kCsv.substr(0, 20)) + GzipBytes(kCsv.substr(20)),
                "gzip", false},
        Packing{"tar_of_gzip",
                TarBytes({{"LICENSE.txt", "licence\n"},
                          {"states_2022-06-27-12.csv.gz", GzipBytes(kCsv)}}),
                "tar+gzip", true},
        Packing{"gzip_of_tar", GzipBytes(TarBytes({{"log.sbs", kCsv}})), "gzip+tar", true},
        Packing{"tar_of_plain_csv", TarBytes({{"dir/states.csv", kCsv}}), "tar", true}),
    [](const testing::TestParamInfo<Packing>& info) { return std::string(info.param.name); });

TEST(InputStream, ReportsACutShortOrDamagedGzip) {
    const std::string whole = GzipBytes(kCsv + kCsv + kCsv);
    const ReadResult cut = ReadAll(whole.substr(0, whole.size() - 12));
    EXPECT_TRUE(!cut.opened || cut.readFailed);
    EXPECT_NE(cut.error.find("cut short"), std::string::npos) << cut.error;

    std::string damaged = whole;
    for (std::size_t i = 12; i < damaged.size() - 8; ++i) {
        damaged[i] = static_cast<char>(damaged[i] ^ 0x5a);
    }
    const ReadResult bad = ReadAll(damaged);
    EXPECT_TRUE(!bad.opened || bad.readFailed);
    EXPECT_NE(bad.error.find("GzipSource::Read"), std::string::npos) << bad.error;
}

// Text of `size` bytes that gzip cannot shrink much, so that its file spans many reads.
std::string Noise(std::size_t size) {
    std::string text;
    std::uint32_t state = 12345;
    while (text.size() < size) {
        state = state * 1103515245u + 12345u;
        text += static_cast<char>('0' + (state >> 16) % 40);
        if (text.size() % 97 == 0) {
            text += '\n';
        }
    }
    return text;
}

// Read ahead on a second thread, the bytes come in the same order, and a failure comes after
// the same bytes as for a reader that reads in the steps the line reader takes: a recording
// many times the ring's size, plain, whole, cut short and damaged half way.
TEST(InputStream, ReadAheadGivesTheSameBytesAndTheSameFailure) {
    const std::string text = Noise(6 * ReadAhead::kBlocks * ReadAhead::kBlockSize / 5);
    const std::string whole = GzipBytes(text);
    std::string damaged = whole;
    for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 64; ++i) {
        damaged[i] = static_cast<char>(damaged[i] ^ 0x5a);
    }
    for (const std::string& bytes : {text, whole}) {
        EXPECT_TRUE(ReadAll(bytes, 1000, Reading::Ahead).text == text);
    }
    for (const std::string& bytes : {text, whole, whole.substr(0, whole.size() * 3 / 4), damaged}) {
        const ReadResult here = ReadAll(bytes, ReadAhead::kReadSize);
        const ReadResult ahead = ReadAll(bytes, ReadAhead::kReadSize, Reading::Ahead);
        EXPECT_EQ(ahead.readFailed, here.readFailed);
        EXPECT_EQ(ahead.text.size(), here.text.size());
        EXPECT_TRUE(ahead.text == here.text);
        EXPECT_EQ(ahead.error, here.error);
    }
}

// A reader that stops early (an unsorted row near the start) leaves the thread waiting for room
// in a full ring; the stream still closes.
TEST(InputStream, ClosesWhileTheThreadWaitsForRoom) {
    TempFile file(".gz");
    file.Write(GzipBytes(Noise(3 * ReadAhead::kBlocks * ReadAhead::kBlockSize)));
    for (int i = 0; i < 3; ++i) {
        InputStream input;
        ASSERT_TRUE(input.Open(file.Path()));
        input.StartReadingAhead();
        unsigned char piece[100];
        EXPECT_EQ(input.Read(piece, sizeof piece), 100);
    }
}

TEST(InputStream, NamesWhatATarHoldsWhenTheRecordingIsMissing) {
    if (!kReadsTar) {
        GTEST_SKIP() << "this build refuses every tar";
    }
    const ReadResult result =
        ReadAll(TarBytes({{"README.txt", "read me\n"}, {"LICENSE.txt", "licence\n"}}));
    EXPECT_FALSE(result.opened);
    EXPECT_NE(result.error.find("README.txt, LICENSE.txt"), std::string::npos) << result.error;
}

TEST(InputStream, ReportsAMissingFile) {
    InputStream input;
    EXPECT_FALSE(input.Open("/nonexistent-folder/states.csv.gz"));
    EXPECT_NE(input.FullErrorText().find("states.csv.gz"), std::string::npos);
}

} // namespace
