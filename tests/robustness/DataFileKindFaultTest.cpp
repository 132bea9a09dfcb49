// Data files that are no regular files, and a data file whose stream can no longer be
// positioned: the feeder never waits on them and never reports a rewind that did not happen.
#include "tests/robustness/FaultRig.h"
#include "tests/support/UniqueName.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// An open or a read that blocked would hang the test: the watchdog ends the process instead.
class DataFileKindFault : public ::testing::Test {
protected:
    void SetUp() override { alarm(kWatchdogSeconds); }
    void TearDown() override { alarm(0); }

    static constexpr unsigned kWatchdogSeconds = 30;
};

// A FIFO without a writer, one whose writer never writes, and a device: the start fails at
// once with the usual box and message line, and frames only count.
TEST_F(DataFileKindFault, FileThatIsNotRegularStopsTheStart) {
    const fs::path fifo = fs::temp_directory_path() / UniqueName("corvane_fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const bool writerPresent : {false, true}) {
        const int writer = writerPresent ? open(fifo.c_str(), O_RDWR) : -1;
        for (const std::string& path : {fifo.string(), std::string("/dev/null")}) {
            FaultRig rig("", path.c_str());
            EXPECT_FALSE(rig.Start()) << path;
            ASSERT_EQ(rig.host.messageBoxTexts.size(), 1u) << path;
            EXPECT_EQ(
                rig.host.messageBoxTexts[0].rfind(
                    "SettingsFileClass::OpenFileForReading\nnot a regular file\n" + path + "\n", 0),
                0u)
                << rig.host.messageBoxTexts[0];
            EXPECT_EQ(rig.dialog->GetMessageText(), "No Data File");
            for (int tick = 0; tick < 100; ++tick) {
                rig.Tick();
            }
            EXPECT_EQ(rig.dialog->GetFrameCount(), 100);
        }
        if (writer >= 0) {
            close(writer);
        }
    }
    fs::remove(fifo);
}

// The descriptor the data file was opened on, found by its name.
int DescriptorOf(const std::string& path) {
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (fs::read_symlink(entry.path(), error) == fs::path(path)) {
            return std::stoi(entry.path().filename().string());
        }
    }
    return -1;
}

// The whole small file is in the reader's buffer when its descriptor is swapped for a pipe,
// which cannot be positioned: the end tag's rewind fails. The message line says so (not
// "Resetting Data Set to beginning"), and the next request opens the file again by its path.
TEST_F(DataFileKindFault, FailedRewindIsReportedAndTheFileIsOpenedAgain) {
    if (!fs::exists("/proc/self/fd")) {
        GTEST_SKIP() << "no /proc/self/fd to find the descriptor by";
    }
    FaultRig rig(SampleFile("OLD", 2, 0));
    ASSERT_TRUE(rig.Start());
    ASSERT_TRUE(rig.TickToNextRequest()); // the header line: the file is buffered whole
    const int fd = DescriptorOf(rig.file.c_str());
    ASSERT_GE(fd, 0);
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(dup2(ends[0], fd), fd);
    close(ends[0]);
    close(ends[1]);

    for (int request = 0; request < 3; ++request) { // begin tag, entries 0 and 1
        ASSERT_TRUE(rig.TickToNextRequest());
    }
    ASSERT_EQ(rig.dialog->GetInViewListText(), SampleList("OLD", 1));
    ASSERT_TRUE(rig.TickToNextRequest()); // the end tag
    EXPECT_EQ(rig.dialog->GetMessageText(), std::string("SettingsFileClass::Rewind\n") +
                                                std::strerror(ESPIPE) + "\n" + rig.file.c_str());
    EXPECT_EQ(rig.Block().aircraftCount, 0);

    for (int request = 0; request < 3; ++request) { // header, begin tag, entry 0 again
        ASSERT_TRUE(rig.TickToNextRequest());
    }
    EXPECT_EQ(rig.dialog->GetInViewListText(), SampleList("OLD", 0));
    EXPECT_EQ(PublishedCallsigns(rig.Block()), SampleList("OLD", 0));
}

} // namespace
