#include "config_control/SettingsFile.h"
#include "tests/support/TempDirectory.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kPiece = 1 << 16; // the size of the pieces a file opened for reading is read in

using Mode = std::int32_t;

// Every line through the buffered read, as C strings, up to the first failure.
std::vector<std::string> BufferedLines(const std::string& path, Mode mode, int size) {
    SettingsFileClass file(path, mode);
    std::vector<std::string> lines;
    std::vector<char> buffer(static_cast<std::size_t>(size));
    while (file.ReadFromSettingsFile(buffer.data(), size)) {
        lines.emplace_back(buffer.data());
    }
    return lines;
}

// Every line read in place, each overwritten once taken (as the analyser's split changes the
// lines it is given), with every third line read through the buffered read in between.
std::vector<std::string> InPlaceLines(SettingsFileClass& file, int size) {
    std::vector<std::string> lines;
    std::vector<char> buffer(static_cast<std::size_t>(size));
    for (int count = 0;; ++count) {
        if (count % 3 == 2) {
            if (!file.ReadFromSettingsFile(buffer.data(), size)) {
                return lines;
            }
            lines.emplace_back(buffer.data());
            continue;
        }
        char* line = file.ReadLineInPlace(size);
        if (line == nullptr) {
            return lines;
        }
        lines.emplace_back(line);
        std::memset(line, 'Z', std::strlen(line));
    }
}

class SettingsFileInPlaceTest : public TempDirectoryTest {};

// A line handed out in place is terminated on the first byte of the next one: that byte must be
// back before the next read, wherever the line ends: inside a piece, at its last byte, across
// its edge, or cut by the room the caller asked for.
TEST_F(SettingsFileInPlaceTest, LinesReadInPlaceAreTheBufferedReadsLines) {
    const std::string endings[] = {"\n", "\r\n", "\r", std::string("\0\r\n", 3), "\r\r\n"};
    const int sizes[] = {2, 3, 256, SettingsFileClass::kLineSize};
    for (int start = kPiece - 3; start <= kPiece + 1; ++start) {
        for (const std::string& ending : endings) {
            const std::string bytes = std::string(static_cast<std::size_t>(start), 'x') + ending +
                                      "next\r\n#tag\n\n" + std::string(300, 'y') + "\nz\r\nlast\r";
            const std::string path = WriteBinary("file.txt", bytes);
            for (const int size : sizes) {
                SCOPED_TRACE(std::to_string(start) + " " + std::to_string(ending.size()) + " " +
                             std::to_string(size));
                SettingsFileClass file(path, SettingsFileClass::ModeReading);
                const std::vector<std::string> expected =
                    BufferedLines(path, SettingsFileClass::ModeReading, size);
                ASSERT_EQ(InPlaceLines(file, size), expected);
                EXPECT_EQ(file.ReadLineInPlace(size), nullptr);
                ASSERT_TRUE(file.Rewind());
                ASSERT_EQ(InPlaceLines(file, size), expected);
            }
        }
    }
}

TEST_F(SettingsFileInPlaceTest, RewindWithALineHeldReadsTheFileAgainFromItsStart) {
    const std::string path = WriteBinary("file.txt", "one\ntwo\nthree\n");
    SettingsFileClass file(path, SettingsFileClass::ModeReading);
    ASSERT_STREQ(file.ReadLineInPlace(64), "one\n");
    ASSERT_STREQ(file.ReadLineInPlace(64), "two\n");
    ASSERT_TRUE(file.Rewind());
    EXPECT_EQ(InPlaceLines(file, 64), (std::vector<std::string>{"one\n", "two\n", "three\n"}));
}

// A stream that may be written, or a room larger than the object's own line, is read through
// the buffered read and handed out from the object's line buffer.
TEST_F(SettingsFileInPlaceTest, StreamsThatMayBeWrittenAndLargeRoomsReadThroughTheLineBuffer) {
    const std::string longLine(SettingsFileClass::kLineSize + 10, 'w');
    const std::string path = WriteBinary("file.txt", "a\r\nb\n" + longLine + "\n");
    const std::vector<std::string> cut = {"a\n", "b\n", longLine.substr(0, 1023),
                                          longLine.substr(1023) + "\n"};
    SettingsFileClass writable(path, SettingsFileClass::ModeReadWrite);
    EXPECT_EQ(InPlaceLines(writable, SettingsFileClass::kLineSize), cut);
    SettingsFileClass large(path, SettingsFileClass::ModeReading);
    std::vector<std::string> lines;
    while (char* line = large.ReadLineInPlace(SettingsFileClass::kLineSize * 4)) {
        lines.emplace_back(line);
    }
    EXPECT_EQ(lines, cut);
}

TEST_F(SettingsFileInPlaceTest, NoLineLeftOrNoFileReportsAsTheBufferedRead) {
    SettingsFileClass closed;
    EXPECT_EQ(closed.ReadLineInPlace(64), nullptr);
    EXPECT_EQ(std::string(closed.GetErrorText()),
              "SettingsFileClass::ReadFromSettingsFile\nFile is not opened\n");
    const std::string path = WriteBinary("file.txt", "only\n");
    SettingsFileClass file(path, SettingsFileClass::ModeReading);
    ASSERT_STREQ(file.ReadLineInPlace(64), "only\n");
    EXPECT_EQ(file.ReadLineInPlace(64), nullptr);
    EXPECT_EQ(std::string(file.GetErrorText()),
              "SettingsFileClass::ReadFromSettingsFile\nNULL read from file\n" + path);
    EXPECT_EQ(file.ReadLineInPlace(1), nullptr);
}

} // namespace
