#include "platform/FileReplace.h"

#include "tests/support/TempDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

class FileReplaceTest : public TempDirectoryTest {
protected:
    std::string Read(const std::string& name) const {
        std::ifstream stream(directory / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    }
};

TEST_F(FileReplaceTest, PutsTheNewFileInThePlaceOfTheOld) {
    const std::string from = WriteBinary("new.part", "new content\n");
    const std::string to = WriteBinary("TrafficLog.dat", "old content, longer than the new\n");
    FileReplace replace;
    ASSERT_TRUE(replace.Replace(from.c_str(), to.c_str())) << replace.GetErrorText();
    EXPECT_EQ(Read("TrafficLog.dat"), "new content\n");
    EXPECT_FALSE(std::filesystem::exists(from));
}

TEST_F(FileReplaceTest, CreatesTheTargetWhenItIsMissing) {
    const std::string from = WriteBinary("new.part", "x\n");
    FileReplace replace;
    ASSERT_TRUE(replace.Replace(from.c_str(), PathOf("fresh.dat").c_str()));
    EXPECT_EQ(Read("fresh.dat"), "x\n");
}

TEST_F(FileReplaceTest, ReportsAFailureAndLeavesTheNewFile) {
    const std::string from = WriteBinary("new.part", "x\n");
    const std::string to = PathOf("no-such-folder/TrafficLog.dat");
    FileReplace replace;
    EXPECT_FALSE(replace.Replace(from.c_str(), to.c_str()));
    const std::string text = replace.GetErrorText();
    EXPECT_NE(text.find("FileReplace::Replace"), std::string::npos) << text;
    EXPECT_NE(text.find("no-such-folder"), std::string::npos) << text;
    EXPECT_TRUE(std::filesystem::exists(from));
}

TEST_F(FileReplaceTest, TellsOneFileBehindTwoNames) {
    const std::string input = WriteBinary("states.csv", "a\n");
    const std::string other = WriteBinary("other.csv", "a\n");
    const std::string hardLink = PathOf("hard-link.csv");
    std::filesystem::create_hard_link(input, hardLink);
    const std::string roundabout = (directory / "." / "states.csv").string();

    EXPECT_TRUE(IsSameFile(input.c_str(), input.c_str()));
    EXPECT_TRUE(IsSameFile(input.c_str(), hardLink.c_str()));
    EXPECT_TRUE(IsSameFile(roundabout.c_str(), input.c_str()));
    EXPECT_FALSE(IsSameFile(input.c_str(), other.c_str()));
    EXPECT_FALSE(IsSameFile(input.c_str(), PathOf("missing.dat").c_str()));
    EXPECT_FALSE(IsSameFile(PathOf("missing.dat").c_str(), PathOf("missing.dat").c_str()));
}

#ifndef _WIN32
TEST_F(FileReplaceTest, TellsAFileBehindASymbolicLink) {
    const std::string input = WriteBinary("states.csv", "a\n");
    const std::string link = PathOf("link.dat");
    std::filesystem::create_symlink(input, link);
    EXPECT_TRUE(IsSameFile(link.c_str(), input.c_str()));
}

// A reader that has the old file open goes on reading the old file whole.
TEST_F(FileReplaceTest, AnOpenReaderKeepsTheOldFile) {
    const std::string to = WriteBinary("TrafficLog.dat", "old line 1\nold line 2\n");
    std::ifstream reader(to, std::ios::binary);
    std::string first;
    std::getline(reader, first);
    const std::string from = WriteBinary("new.part", "new\n");
    FileReplace replace;
    ASSERT_TRUE(replace.Replace(from.c_str(), to.c_str()));
    std::string second;
    std::getline(reader, second);
    EXPECT_EQ(first + "|" + second, "old line 1|old line 2");
    EXPECT_EQ(Read("TrafficLog.dat"), "new\n");
}
#endif

} // namespace
