// Lines cut from memory must be the lines the data file's reader cuts from the file: an entry
// read live reaches the analyser exactly as a play of the file would bring it.

#include "traffic/BufferLines.h"

#include "config_control/SettingsFile.h"
#include "traffic/tests/LiveFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> FromFile(const std::string& path, int size) {
    SettingsFileClass file(path.c_str(), SettingsFileClass::ModeReading);
    std::vector<std::string> lines;
    std::vector<char> buffer(static_cast<std::size_t>(size));
    while (file.ReadFromSettingsFile(buffer.data(), size)) {
        lines.emplace_back(buffer.data());
    }
    return lines;
}

std::vector<std::string> FromMemory(const std::string& bytes, int size) {
    BufferLines source(bytes.data(), bytes.size());
    std::vector<std::string> lines;
    std::vector<char> buffer(static_cast<std::size_t>(size));
    while (source.ReadLine(buffer.data(), size)) {
        lines.emplace_back(buffer.data());
    }
    EXPECT_EQ(source.Remaining(), 0u);
    return lines;
}

struct Case {
    const char* name;
    std::string bytes;
};

TEST(BufferLines, CutsEveryLineAsTheFileReaderDoes) {
    const std::string full(255, 'x');
    const Case cases[] = {
        {"line feeds", "A|1\nB|2\n\n"},
        {"CR LF", "A|1\r\nB|2\r\n"},
        {"lone CR kept", "A\r|1\nB\r\r\n"},
        {"300 characters", std::string(300, 'y') + "\n"},
        {"CR LF across the full buffer", std::string(254, 'z') + "\r\nnext\n"},
        {"CR at the full buffer, no LF", std::string(254, 'z') + "\rnext\n"},
        {"exactly 255 and LF", full + "\n" + "tail\n"},
        {"LF right after a full buffer", std::string(254, 'w') + "\n" + full + "\n"},
        {"NUL inside", std::string("A|1\0rest\nB\n", 11)},
        {"last line without LF", "A|1\nB|2"},
    };
    LiveFolder folder;
    for (const Case& c : cases) {
        const std::string path = folder.Write("lines.dat", c.bytes);
        for (const int size : {256, 4, 2}) {
            EXPECT_EQ(FromMemory(c.bytes, size), FromFile(path, size))
                << c.name << ", buffer " << size;
        }
    }
}

TEST(BufferLines, NothingToReadOrNoRoomReadsNoLine) {
    char buffer[8] = "keep";
    BufferLines empty(nullptr, 0);
    EXPECT_FALSE(empty.ReadLine(buffer, sizeof buffer));
    const std::string bytes = "A\n";
    BufferLines lines(bytes.data(), bytes.size());
    EXPECT_FALSE(lines.ReadLine(buffer, 1));
    EXPECT_FALSE(lines.ReadLine(nullptr, 8));
    EXPECT_STREQ(buffer, "keep");
    EXPECT_TRUE(lines.ReadLine(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "A\n");
}

} // namespace
