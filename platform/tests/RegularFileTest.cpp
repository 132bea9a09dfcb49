// Opening data files: a regular file opens; anything that could make a read wait for ever or
// never end is refused at once, however it is named.

#include "platform/RegularFile.h"
#include "tests/support/UniqueName.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A folder of the test's own; an open that blocked would hang the test, so a watchdog ends the
// process instead (SIGALRM's default action) and the failure shows.
class RegularFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / UniqueName("corvane_regular_file");
        fs::create_directories(folder);
        alarm(kWatchdogSeconds);
    }
    void TearDown() override {
        alarm(0);
        fs::remove_all(folder);
    }

    std::string Write(const std::string& name, const std::string& content) const {
        const fs::path path = folder / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    // The result of an open that must fail: its error, the same for both ways of opening.
    static int Refusal(const std::string& path) {
        int sharedError = 0;
        SharedReadFile shared;
        EXPECT_FALSE(shared.Open(path.c_str(), sharedError)) << path;
        int error = 0;
        std::FILE* file = OpenRegularFileForReading(path.c_str(), error);
        if (file != nullptr) {
            std::fclose(file);
            return 0;
        }
        EXPECT_EQ(sharedError, error) << path;
        return error;
    }

    static constexpr unsigned kWatchdogSeconds = 20;
    fs::path folder;
};

TEST_F(RegularFileTest, RegularFileOpensForBlockingReads) {
    const std::string path = Write("data.dat", "header\r\nline\n");
    fs::create_symlink(path, folder / "link.dat");
    for (const std::string& name : {path, (folder / "link.dat").string()}) {
        int error = 0;
        std::FILE* file = OpenRegularFileForReading(name.c_str(), error);
        ASSERT_NE(file, nullptr) << name;
        EXPECT_EQ(fcntl(fileno(file), F_GETFL) & O_NONBLOCK, 0);
        char line[32] = {};
        ASSERT_NE(std::fgets(line, sizeof line, file), nullptr);
        EXPECT_STREQ(line, "header\r\n"); // binary: the bytes as they are
        std::fclose(file);
    }
}

TEST_F(RegularFileTest, FoldersAndMissingFilesGiveTheSystemsReason) {
    EXPECT_EQ(Refusal(folder.string()), EISDIR);
    EXPECT_EQ(Refusal((folder / "missing.dat").string()), ENOENT);
}

// A FIFO without a writer blocks an ordinary open; with a writer that never writes, every read.
TEST_F(RegularFileTest, FifosPipesAndDevicesAreRefusedAtOnce) {
    const fs::path fifo = folder / "fifo.dat";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(Refusal(fifo.string()), kNotARegularFile);

    const int writer = open(fifo.c_str(), O_RDWR); // holds the FIFO open, writes nothing
    ASSERT_GE(writer, 0);
    EXPECT_EQ(Refusal(fifo.string()), kNotARegularFile);
    close(writer);

    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    EXPECT_EQ(Refusal("/dev/fd/" + std::to_string(ends[0])), kNotARegularFile);
    close(ends[0]);
    close(ends[1]);

    EXPECT_EQ(Refusal("/dev/null"), kNotARegularFile);
    if (fs::exists("/dev/zero")) {
        EXPECT_EQ(Refusal("/dev/zero"), kNotARegularFile); // would never end
    }
}

// What tells a changed file from an unchanged one: another file moved to the name, the same file
// written (a new size, or the same size at a later time), and no file at all.
TEST_F(RegularFileTest, IdentityChangesWithTheFileAtThePathAndOnlyThen) {
    const std::string path = Write("data.dat", "first\n");
    const FileIdentity opened = IdentifyFile(path.c_str());
    ASSERT_TRUE(opened.exists);
    EXPECT_EQ(IdentifyFile(path.c_str()), opened);

    std::ofstream(path, std::ios::binary | std::ios::app) << "more\n";
    const FileIdentity grown = IdentifyFile(path.c_str());
    EXPECT_NE(grown, opened);
    EXPECT_EQ(grown.file, opened.file);

    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(1));
    const FileIdentity touched = IdentifyFile(path.c_str());
    EXPECT_NE(touched, grown);
    EXPECT_EQ(touched.size, grown.size);

    const std::string other = Write("other.dat", "first\nmore\n");
    fs::last_write_time(other, fs::last_write_time(path));
    fs::rename(other, path);
    const FileIdentity replaced = IdentifyFile(path.c_str());
    EXPECT_NE(replaced.file, touched.file);
    EXPECT_NE(replaced, touched);

    fs::remove(path);
    EXPECT_FALSE(IdentifyFile(path.c_str()).exists);
    EXPECT_EQ(IdentifyFile(path.c_str()), FileIdentity{});
}

// Read at offsets while another stream appends: the size and the bytes follow the writer, a
// read at or past the end gives nothing, and the identity is the file's whatever its name.
TEST_F(RegularFileTest, SharedReadFileFollowsItsWriter) {
    const std::string path = (folder / "growing.dat").string();
    int error = 0;
    std::FILE* writer = CreateSharedFileForWriting(path.c_str(), error);
    ASSERT_NE(writer, nullptr) << error;
    std::fputs("first\n", writer);
    std::fflush(writer);

    SharedReadFile reader;
    ASSERT_TRUE(reader.Open(path.c_str(), error)) << error;
    std::uint64_t size = 0;
    ASSERT_TRUE(reader.Size(size, error));
    EXPECT_EQ(size, 6u);
    std::fputs("second\n", writer);
    std::fflush(writer);
    ASSERT_TRUE(reader.Size(size, error));
    EXPECT_EQ(size, 13u);
    char bytes[32] = {};
    EXPECT_EQ(reader.ReadAt(6, bytes, sizeof bytes, error), 7);
    EXPECT_STREQ(bytes, "second\n");
    EXPECT_EQ(reader.ReadAt(13, bytes, sizeof bytes, error), 0);
    EXPECT_EQ(reader.ReadAt(1000, bytes, sizeof bytes, error), 0);

    const FileIdentity named = IdentifyFile(path.c_str());
    fs::rename(path, folder / "moved.dat");
    const FileIdentity held = reader.Identity();
    EXPECT_TRUE(held.exists);
    EXPECT_EQ(held.device, named.device);
    EXPECT_EQ(held.file, named.file);
    std::fclose(writer);
    reader.Close();
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_FALSE(reader.Identity().exists);

    // The writer's open empties a file that was there, and says why when it cannot.
    std::FILE* again = CreateSharedFileForWriting((folder / "moved.dat").string().c_str(), error);
    ASSERT_NE(again, nullptr);
    std::fclose(again);
    EXPECT_EQ(fs::file_size(folder / "moved.dat"), 0u);
    EXPECT_EQ(CreateSharedFileForWriting((folder / "none" / "x.dat").string().c_str(), error),
              nullptr);
    EXPECT_EQ(error, ENOENT);
}

// A reader from the start to the end takes a FIFO or a pipe where it asks for them: the open
// never waits, a read waits no longer than it is told (for the first writer as for the bytes),
// the bytes come as written, and the end is the writers' going. Without the asking, a FIFO is
// refused as by the other opens.
TEST_F(RegularFileTest, SequentialReadTakesFifosAndPipesAndWaitsOnlyAsLongAsItIsTold) {
    const fs::path fifo = folder / "fifo.dat";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    SequentialReadFile reader;
    int error = 0;
    EXPECT_FALSE(reader.Open(fifo.c_str(), false, error));
    EXPECT_EQ(error, kNotARegularFile);
    ASSERT_TRUE(reader.Open(fifo.c_str(), true, error)) << error;
    EXPECT_FALSE(reader.IsRegular());
    char bytes[16] = {};
    EXPECT_EQ(reader.Read(bytes, sizeof bytes, 20, error), SequentialReadFile::kNothingYet);

    const int writer = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    EXPECT_EQ(reader.Read(bytes, sizeof bytes, 20, error), SequentialReadFile::kNothingYet);
    ASSERT_EQ(write(writer, "abc", 3), 3);
    EXPECT_EQ(reader.Read(bytes, sizeof bytes, 1000, error), 3);
    EXPECT_EQ(std::string(bytes, 3), "abc");
    close(writer);
    EXPECT_EQ(reader.Read(bytes, sizeof bytes, 1000, error), 0);

    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], "xy", 2), 2);
    close(ends[1]);
    ASSERT_TRUE(reader.Open(("/dev/fd/" + std::to_string(ends[0])).c_str(), true, error));
    EXPECT_EQ(reader.Read(bytes, sizeof bytes, 1000, error), 2);
    EXPECT_EQ(reader.Read(bytes, sizeof bytes, 1000, error), 0);
    close(ends[0]);

    const std::string path = Write("data.dat", "whole");
    ASSERT_TRUE(reader.Open(path.c_str(), true, error));
    EXPECT_TRUE(reader.IsRegular());
    EXPECT_EQ(reader.Read(bytes, sizeof bytes, 0, error), 5);
    EXPECT_EQ(reader.Read(bytes, sizeof bytes, 0, error), 0);
    EXPECT_FALSE(reader.Open(folder.c_str(), true, error));
    EXPECT_EQ(error, EISDIR);
    EXPECT_FALSE(reader.Open((folder / "missing.dat").c_str(), true, error));
    EXPECT_EQ(error, ENOENT);
}

} // namespace
