// Settings files that are not regular files, made with the POSIX file system: reading refuses
// them at the open, through the usual failure report, instead of waiting for a writer for ever
// or failing every read later; and a stream that cannot be positioned says so.
#include "config_control/SettingsFile.h"
#include "tests/support/TempDirectory.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class SettingsFileSpecialFilesTest : public TempDirectoryTest {
protected:
    // An open that blocked would hang the test: the watchdog ends the process instead.
    void SetUp() override {
        TempDirectoryTest::SetUp();
        alarm(kWatchdogSeconds);
    }
    void TearDown() override {
        alarm(0);
        TempDirectoryTest::TearDown();
    }

    static constexpr unsigned kWatchdogSeconds = 20;
};

TEST_F(SettingsFileSpecialFilesTest, ReadingRefusesWhatIsNotARegularFile) {
    const std::string fifo = PathOf("fifo.dat");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const std::string pipeName = "/dev/fd/" + std::to_string(ends[0]);
    for (const std::string& name : {fifo, pipeName, std::string("/dev/null")}) {
        SettingsFileClass file(name, SettingsFileClass::ModeReading);
        EXPECT_FALSE(file.IsOpen()) << name;
        EXPECT_EQ(std::string(file.GetErrorText()),
                  "SettingsFileClass::OpenFileForReading\nnot a regular file\n" + name);
    }
    close(ends[0]);
    close(ends[1]);
}

// Writing to a full device: the buffered line cannot be written out when the stream is
// positioned, so the rewind fails, and says why instead of leaving the last report in place.
TEST_F(SettingsFileSpecialFilesTest, FailedRewindReportsTheSystemsReason) {
    SettingsFileClass full("/dev/full", SettingsFileClass::ModeWriting);
    ASSERT_TRUE(full.IsOpen());
    ASSERT_TRUE(full.WriteLine("buffered"));
    EXPECT_FALSE(full.Rewind());
    EXPECT_EQ(std::string(full.GetErrorText()),
              std::string("SettingsFileClass::Rewind\n") + std::strerror(ENOSPC) + "\n/dev/full");

    SettingsFileClass closed;
    EXPECT_FALSE(closed.Rewind());
    EXPECT_EQ(std::string(closed.GetErrorText()),
              "SettingsFileClass::Rewind\nFile is not opened\n");
}

} // namespace
