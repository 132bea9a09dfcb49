// Following a data file that is no data file a recorder writes: huge sparse files, a first line
// that never ends, a FIFO with a writer holding it, a link to a device that never ends. A look
// must answer at once, read no more than a recorder's newest entries would need, and keep no
// more than an entry's worth.

#include "traffic/LiveDataFile.h"

#include "traffic/tests/LiveFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

namespace {

constexpr std::uint64_t kHundredGigabytes = 100ull << 30;
// What two looks may read: a few times the largest entry, never the file.
constexpr long long kMostBytesRead = 64ll << 20;

// The bytes this process has read from files so far as Linux counts them, or -1.
long long BytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == "rchar:") {
            return value;
        }
    }
    return -1;
}

// A file of `before`, a hole of zero bytes that takes no room on the disk, and `after`.
bool WriteSparse(const std::string& path, const std::string& before, std::uint64_t hole,
                 const std::string& after) {
    std::ofstream(path, std::ios::binary) << before;
    std::error_code error;
    std::filesystem::resize_file(path, before.size() + hole, error);
    if (error) {
        return false;
    }
    std::ofstream(path, std::ios::binary | std::ios::app) << after;
    return true;
}

struct SparseCase {
    const char* name;
    std::string before;
    std::string after;
    bool hasEntry;
    std::int32_t newest;
};

void PrintTo(const SparseCase& c, std::ostream* out) {
    *out << c.name;
}

class SparseFiles : public ::testing::TestWithParam<SparseCase> {};

TEST_P(SparseFiles, ALookReadsOnlyTheEndsOfTheFile) {
    const SparseCase& c = GetParam();
    if (BytesReadSoFar() < 0) {
        GTEST_SKIP() << "the system does not count the bytes a process reads";
    }
    LiveFolder folder;
    const std::string path = folder.Path("TrafficLog.dat");
    if (!WriteSparse(path, c.before, kHundredGigabytes, c.after)) {
        GTEST_SKIP() << "this file system holds no file of 100 GB, even sparse";
    }
    LiveDataFile live;
    live.Follow(path.c_str());
    const long long start = BytesReadSoFar();
    ASSERT_TRUE(live.Look()) << live.GetErrorText();
    ASSERT_TRUE(live.Look()) << live.GetErrorText();
    EXPECT_LT(BytesReadSoFar() - start, kMostBytesRead);
    EXPECT_EQ(live.HasEntry(), c.hasEntry);
    if (c.hasEntry) {
        EXPECT_EQ(live.NewestEntry().number, c.newest);
    }
    EXPECT_LE(live.EntryLines().size(), LiveDataFile::kMaxEntryBytes);
    EXPECT_LE(live.HeaderBytes().size(), 256u);
}

const std::string kEntry0 = EntryText(0, {LiveAircraft("ZERO", 100)});
const std::string kEntry1 = EntryText(1, {LiveAircraft("ONE", 110)});

INSTANTIATE_TEST_SUITE_P(
    Cases, SparseFiles,
    ::testing::Values(
        SparseCase{"NoLineFeedAnywhere", "", "", false, 0},
        SparseCase{"FirstLineNeverEnds", "Recorded from the BaseStation feed", "", false, 0},
        SparseCase{"HeaderThenNothingButZeros", LiveHeader() + kEntry0, "", false, 0},
        SparseCase{"EntriesAfterTheHole", LiveHeader(), "\n" + kEntry0 + kEntry1, true, 1},
        SparseCase{"EntryBeingWrittenAfterTheHole", LiveHeader() + kEntry0,
                   "\n" + kEntry1 + "####_ENTRY_2_####\n", true, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// Only the first look used to be bounded: a later one read all that was appended since the one
// before, a sparse extension of 100 GB included, and held up the frames, the alerts and a stop
// for minutes. A later look reads only the end of what was appended, finds the newest entry
// there, and keeps what it knew when that end holds none.
TEST(LiveDataFileHostile, LaterLookAfterAHugeAppendReadsOnlyItsEnd) {
    if (BytesReadSoFar() < 0) {
        GTEST_SKIP() << "the system does not count the bytes a process reads";
    }
    LiveFolder folder;
    const std::string path = folder.Write("TrafficLog.dat", LiveHeader() + kEntry0);
    LiveDataFile live;
    live.Follow(path.c_str());
    ASSERT_TRUE(live.Look()) << live.GetErrorText();
    ASSERT_EQ(live.NewestEntry().number, 0);
    const std::uint64_t serial = live.EntrySerial();

    // Zeros without a line feed: the entry known stays the newest.
    std::error_code error;
    std::filesystem::resize_file(path, std::filesystem::file_size(path) + kHundredGigabytes, error);
    if (error) {
        GTEST_SKIP() << "this file system holds no file of 100 GB, even sparse";
    }
    long long start = BytesReadSoFar();
    ASSERT_TRUE(live.Look()) << live.GetErrorText();
    EXPECT_LT(BytesReadSoFar() - start, kMostBytesRead);
    EXPECT_TRUE(live.HasEntry());
    EXPECT_EQ(live.NewestEntry().number, 0);
    EXPECT_EQ(live.EntrySerial(), serial);
    EXPECT_GT(live.Examined(), kHundredGigabytes) << "followed from its end on";

    // Another hole, then entries written after it: the newest is found, and the file is followed
    // from there as before.
    std::filesystem::resize_file(path, std::filesystem::file_size(path) + kHundredGigabytes);
    LiveFolder::Append(path, "\n" + kEntry1 + "####_ENTRY_2_####\n");
    start = BytesReadSoFar();
    ASSERT_TRUE(live.Look()) << live.GetErrorText();
    EXPECT_LT(BytesReadSoFar() - start, kMostBytesRead);
    EXPECT_EQ(live.NewestEntry().number, 1);
    EXPECT_GT(live.EntrySerial(), serial);
    LiveFolder::Append(path, LiveAircraft("TWO", 120) + "####_ENTRY_END_####\n");
    ASSERT_TRUE(live.Look());
    EXPECT_EQ(live.NewestEntry().number, 2);
    EXPECT_EQ(std::string(live.EntryLines().begin(), live.EntryLines().end()),
              LiveAircraft("TWO", 120));
}

// A first line still being written is looked at again only where it grew.
TEST(LiveDataFileHostile, HeaderThatNeverEndsIsNotReadAgainAtEachLook) {
    if (BytesReadSoFar() < 0) {
        GTEST_SKIP() << "the system does not count the bytes a process reads";
    }
    LiveFolder folder;
    const std::string path = folder.Write("TrafficLog.dat", std::string(32 << 20, 'H'));
    LiveDataFile live;
    live.Follow(path.c_str());
    ASSERT_TRUE(live.Look());
    const long long start = BytesReadSoFar();
    for (int look = 0; look < 8; ++look) {
        LiveFolder::Append(path, "HHHH");
        ASSERT_TRUE(live.Look());
    }
    EXPECT_LT(BytesReadSoFar() - start, 8ll << 20);
    EXPECT_FALSE(live.HasEntry());
}

// Nothing here is a file a recorder writes: each is refused at once, however its writer stands.
TEST(LiveDataFileHostile, FifoDeviceAndFolderAreRefusedWithoutWaiting) {
    LiveFolder folder;
    const std::string fifo = folder.Path("fifo.dat");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = folder.Path("zero.dat");
    std::filesystem::create_symlink("/dev/zero", zero);
    const std::string dir = folder.Path("folder.dat");
    std::filesystem::create_directory(dir);
    for (const std::string& path : {fifo, zero, dir}) {
        LiveDataFile live;
        live.Follow(path.c_str());
        EXPECT_FALSE(live.Look()) << path;
        EXPECT_NE(std::string(live.GetErrorText()).find(path), std::string::npos);
        EXPECT_FALSE(live.HasEntry());
    }
    // A writer that holds the FIFO open and writes nothing makes no read wait.
    const int writer = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    LiveDataFile live;
    live.Follow(fifo.c_str());
    EXPECT_FALSE(live.Look());
    close(writer);
}

} // namespace
