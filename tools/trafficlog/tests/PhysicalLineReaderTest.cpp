#include "tools/trafficlog/input/PhysicalLineReader.h"

#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
// Lines read where they lie and lines gathered from two reads must look the same whichever
// way they are asked for: the line, its head, and the line again after the head was asked for.
TEST(PhysicalLineReader, GivesEveryLineTheSameWayWhereverItLies) {
    constexpr int kRead = 1 << 16; // the size of one read
    std::vector<std::string> lines;
    std::string text;
    const auto add = [&](const std::string& line, const char* end) {
        lines.push_back(line);
        text += line + end;
    };
    add("", "\n");
    add("a|b\x01", "\r\n");
    add(std::string(PhysicalLineReader::kHeadSize - 1, 'w'), "\n"); // the longest head
    add(std::string(PhysicalLineReader::kHeadSize + 10, 'l'), "\r\n");
    add("x\ry", "\n"); // a carriage return inside stays
    while (text.size() < kRead - 5) {
        add("BAW1|400001|1000|50.4|0.1", "\n");
    }
    add("straddles the first read", "\r\n"); // its carriage return and line feed in the next
    add("", "\r\n");
    add(std::string(3000, 'z'), "\n");
    add("the last line without a line feed\r", "");
    lines.back().pop_back(); // the carriage return at the end of the file ends the line too
    TempFile file(".dat");
    file.Write(text);

    PhysicalLineReader reader;
    ASSERT_TRUE(reader.Open(file.Path()));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_TRUE(reader.Next()) << i;
        const std::string& line = lines[i];
        const std::string head = line.substr(0, PhysicalLineReader::kHeadSize - 1);
        EXPECT_EQ(reader.LineNumber(), static_cast<std::int64_t>(i + 1));
        EXPECT_EQ(reader.Length(), static_cast<std::int64_t>(line.size())) << i;
        EXPECT_EQ(reader.HeadIsWhole(), line.size() < PhysicalLineReader::kHeadSize) << i;
        if (reader.HeadIsWhole()) {
            EXPECT_EQ(reader.Line(), line) << i;
        }
        EXPECT_EQ(std::string(reader.Head()), head) << i;
        if (reader.HeadIsWhole()) {
            EXPECT_EQ(reader.Line(), line) << i;
        }
    }
    EXPECT_FALSE(reader.Next());
    EXPECT_FALSE(reader.ReadFailed());
    EXPECT_EQ(reader.BytesRead(), static_cast<std::int64_t>(text.size()));
}
} // namespace
