#include "config_control/SettingsFile.h"
#include "tests/support/TempDirectory.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

using Mode = std::int32_t;

std::string ErrorText(const std::string& location, const std::string& message,
                      const std::string& detail) {
    return location + "\n" + message + "\n" + detail;
}

// Reads every line with the given buffer size until the first failure.
std::vector<std::string> ReadAll(SettingsFileClass& file, int size) {
    std::vector<std::string> lines;
    std::vector<char> buffer(size);
    while (file.ReadFromSettingsFile(buffer.data(), size)) {
        lines.emplace_back(buffer.data());
    }
    return lines;
}

class SettingsFileTest : public TempDirectoryTest {
protected:
    std::unique_ptr<SettingsFileClass> OpenBytes(const std::string& bytes,
                                                 Mode mode = SettingsFileClass::ModeReading) {
        return std::make_unique<SettingsFileClass>(WriteBinary("file.txt", bytes), mode);
    }
};

TEST_F(SettingsFileTest, EmptyNameOrUnknownModeLeavesItClosedWithoutErrorText) {
    const std::string existing = WriteBinary("exists.txt", "x\n");
    const std::vector<std::pair<std::string, Mode>> cases = {
        {"", SettingsFileClass::ModeReading}, {existing, 4}, {existing, -1}};
    for (const auto& [name, mode] : cases) {
        SettingsFileClass file(name, mode);
        EXPECT_FALSE(file.IsOpen());
        EXPECT_STREQ(file.GetErrorText(), "");
    }
    SettingsFileClass unnamed(nullptr, SettingsFileClass::ModeReading);
    EXPECT_FALSE(unnamed.IsOpen());
}

TEST_F(SettingsFileTest, FailedOpenReportsLocationSystemTextAndFileName) {
    const std::string name = PathOf("missing/file.txt");
    const std::vector<std::pair<Mode, const char*>> cases = {
        {SettingsFileClass::ModeReading, "SettingsFileClass::OpenFileForReading"},
        {SettingsFileClass::ModeWriting, "SettingsFileClass::OpenFileForWriting"},
        {SettingsFileClass::ModeReadWrite, "SettingsFileClass::OpenFileForReadWrite"},
        {SettingsFileClass::ModeAppending, "SettingsFileClass::OpenFileForAppending"},
    };
    for (const auto& [mode, location] : cases) {
        SettingsFileClass file(name, mode);
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(file.GetErrorText(), ErrorText(location, std::strerror(ENOENT), name));
    }
}

TEST_F(SettingsFileTest, LinesKeepTheirNewlineAndEndOfFileIsReportedUntilRewind) {
    auto file = OpenBytes("A\nB\n");
    ASSERT_TRUE(file->IsOpen());
    EXPECT_EQ(ReadAll(*file, 256), (std::vector<std::string>{"A\n", "B\n"}));
    EXPECT_EQ(file->GetErrorText(), ErrorText("SettingsFileClass::ReadFromSettingsFile",
                                              "NULL read from file", PathOf("file.txt")));
    char buffer[16] = "unchanged";
    EXPECT_FALSE(file->ReadFromSettingsFile(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "unchanged");
    EXPECT_EQ(buffer[sizeof buffer - 1], '\0'); // every byte as it was
    EXPECT_TRUE(file->Rewind());
    ASSERT_TRUE(file->ReadFromSettingsFile(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "A\n");
}

TEST_F(SettingsFileTest, LineLongerThanTheBufferContinuesInTheNextRead) {
    auto file = OpenBytes("ABCDEFG");
    EXPECT_EQ(ReadAll(*file, 4), (std::vector<std::string>{"ABC", "DEF", "G"}));
}

TEST_F(SettingsFileTest, CarriageReturnBeforeLineFeedIsDropped) {
    struct Case {
        std::string bytes;
        int size;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"TAG 1\r\nA|B\r\n", 256, {"TAG 1\n", "A|B\n"}},
        {"A\rB\r\n", 256, {"A\rB\n"}},
        {"\r\r\n", 256, {"\r\n"}},
        {"AB\r\nC", 4, {"AB\n", "C"}},
        {"ABC\r\nD", 4, {"ABC", "\n", "D"}},
        {"AB\rC", 4, {"AB\r", "C"}},
        {"A\r", 256, {"A\r"}},
        {"\r\n\r\n", 256, {"\n", "\n"}},
        // A NUL byte hides the rest of its line, but never the line after it.
        {std::string("a\r\0b\n\nc\n", 8), 256, {"a\r", "\n", "c\n"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.c_str());
        auto file = OpenBytes(c.bytes);
        EXPECT_EQ(ReadAll(*file, c.size), c.lines);
    }
}

TEST_F(SettingsFileTest, OtherReadFormsGiveTheSameLine) {
    auto file = OpenBytes("first\r\nsecond line\r\nthird\r\n");
    std::string line = "old";
    ASSERT_TRUE(file->ReadFromSettingsFile(line));
    EXPECT_EQ(line, "first\n");
    char cut[5];
    ASSERT_TRUE(file->ReadFromSettingsFileBuffered(cut, sizeof cut));
    EXPECT_STREQ(cut, "seco");
    char whole[SettingsFileClass::kLineSize];
    ASSERT_TRUE(file->ReadFromSettingsFile(whole));
    EXPECT_STREQ(whole, "third\n");

    EXPECT_FALSE(file->ReadFromSettingsFile(line));
    EXPECT_EQ(line, "first\n");
    char emptied[8] = "stale";
    EXPECT_FALSE(file->ReadFromSettingsFileBuffered(emptied, sizeof emptied));
    EXPECT_STREQ(emptied, "");
}

TEST_F(SettingsFileTest, LongLinesAreTakenInPiecesOfTheFormsLimit) {
    const std::string longLine(6000, 'x');
    auto file = OpenBytes(longLine + "\n" + longLine + "\n");
    std::string line;
    ASSERT_TRUE(file->ReadFromSettingsFile(line));
    EXPECT_EQ(line.size(), 1023u);
    ASSERT_TRUE(file->Rewind());
    char destination[100];
    ASSERT_TRUE(file->ReadFromSettingsFileBuffered(destination, sizeof destination));
    EXPECT_EQ(std::strlen(destination), 99u);
    ASSERT_TRUE(file->ReadFromSettingsFileBuffered(destination, sizeof destination));
    EXPECT_EQ(std::string(destination), std::string(6000 - 5119, 'x').substr(0, 99));
}

TEST_F(SettingsFileTest, BufferThatCannotHoldALineIsARefusedRead) {
    auto file = OpenBytes("A\n");
    char buffer[4] = "old";
    EXPECT_FALSE(file->ReadFromSettingsFile(buffer, 1));
    EXPECT_FALSE(file->ReadFromSettingsFile(buffer, 0));
    EXPECT_FALSE(file->ReadFromSettingsFile(nullptr, 10));
    EXPECT_STREQ(buffer, "old");
    ASSERT_TRUE(file->ReadFromSettingsFile(buffer, 4));
    EXPECT_STREQ(buffer, "A\n");
}

TEST_F(SettingsFileTest, SettingsAreWrittenAsNameEqualsValue) {
    {
        SettingsFileClass file(PathOf("out.txt"), SettingsFileClass::ModeWriting);
        ASSERT_TRUE(file.IsOpen());
        EXPECT_TRUE(file.WriteSetting("Count", 5));
        EXPECT_TRUE(file.WriteSetting("Count", true));
        EXPECT_TRUE(file.WriteSetting("Count", false));
        EXPECT_TRUE(file.WriteSetting("Count", 1.5));
        EXPECT_TRUE(file.WriteSetting("Count", -2147483647 - 1));
    }
    EXPECT_EQ(ReadText("out.txt"), "Count = 5\nCount = TRUE\nCount = FALSE\nCount = 1.500000\n"
                                   "Count = -2147483648\n");
}

TEST_F(SettingsFileTest, WritesComposeLinesWithinTheirLimits) {
    const std::string longName(1100, 'n');
    const std::string longText(2000, 't');
    {
        SettingsFileClass file(PathOf("out.txt"), SettingsFileClass::ModeWriting);
        EXPECT_TRUE(file.WriteToSettingsFile("raw"));
        EXPECT_TRUE(file.WriteLine(" line"));
        EXPECT_TRUE(file.WriteLine(std::string("object")));
        EXPECT_TRUE(file.WriteToSettingsFile(longText + "\n"));
        EXPECT_TRUE(file.WriteFormattedLine("%d-%s", 7, "x"));
        EXPECT_TRUE(file.WriteFormattedLine("%s", longText.c_str()));
        EXPECT_TRUE(file.WriteSetting(longName.c_str(), 1));
    }
    EXPECT_EQ(ReadText("out.txt"), "raw line\nobject\n" + longText.substr(0, 1023) + "7-x\n" +
                                       longText.substr(0, 1024) + "\n" + longName.substr(0, 1023));
}

TEST_F(SettingsFileTest, AppendingKeepsWhatIsThere) {
    WriteBinary("log.txt", "one\n");
    {
        SettingsFileClass file(PathOf("log.txt"), SettingsFileClass::ModeAppending);
        EXPECT_TRUE(file.WriteLine("two"));
        file.Flush();
        EXPECT_EQ(ReadText("log.txt"), "one\ntwo\n");
    }
}

TEST_F(SettingsFileTest, ReadWriteModeMayAlternateBetweenReadsAndWrites) {
    std::ofstream(PathOf("file.txt")) << "line1\nline2\nline3\n";
    auto file =
        std::make_unique<SettingsFileClass>(PathOf("file.txt"), SettingsFileClass::ModeReadWrite);
    char buffer[32];
    ASSERT_TRUE(file->ReadFromSettingsFile(buffer, sizeof buffer));
    EXPECT_TRUE(file->WriteToSettingsFile("XX"));
    ASSERT_TRUE(file->ReadFromSettingsFile(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "ne2\n");
    EXPECT_TRUE(file->WriteToSettingsFile("YY"));
    file.reset();
    EXPECT_EQ(ReadText("file.txt"), "line1\nXXne2\nYYne3\n");
}

TEST_F(SettingsFileTest, WritingAFileOpenedForReadingFails) {
    auto file = OpenBytes("A\n");
    EXPECT_FALSE(file->WriteToSettingsFile("x"));
    EXPECT_EQ(file->GetErrorText(), ErrorText("SettingsFileClass::WriteToSettingsFile",
                                              "EOF Error On writing", PathOf("file.txt")));
    EXPECT_FALSE(file->WriteLine("x"));
    EXPECT_FALSE(file->WriteSetting("Count", 5));
}

TEST_F(SettingsFileTest, ReadingAFileOpenedForAppendingFails) {
    auto file = OpenBytes("A\n", SettingsFileClass::ModeAppending);
    char buffer[8];
    EXPECT_FALSE(file->ReadFromSettingsFile(buffer, sizeof buffer));
    EXPECT_EQ(file->GetErrorText(), ErrorText("SettingsFileClass::ReadFromSettingsFile",
                                              "NULL read from file", PathOf("file.txt")));
}

TEST_F(SettingsFileTest, DirectoryNameLeavesAThreeLineErrorOnOpenOrRead) {
    SettingsFileClass file(directory.string(), SettingsFileClass::ModeReading);
    char buffer[8];
    const bool read = file.IsOpen() && file.ReadFromSettingsFile(buffer, sizeof buffer);
    EXPECT_FALSE(read);
    const std::string text = file.GetErrorText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
    EXPECT_EQ(text.substr(text.rfind('\n') + 1), directory.string());
}

// Files that open but cannot be read (a directory on POSIX systems, a process's memory file
// at an unmapped offset) are refused at the open with the system's reason, which an owner can
// show; without that every later read would fail with "NULL read from file".
TEST_F(SettingsFileTest, FileThatCannotBeReadIsRefusedAtOpen) {
    const std::string paths[] = {directory.string(), "/proc/self/mem"};
    for (const std::string& path : paths) {
        if (!std::filesystem::exists(path)) {
            continue;
        }
        SettingsFileClass file(path, SettingsFileClass::ModeReading);
        EXPECT_FALSE(file.IsOpen()) << path;
        const std::string text = file.GetErrorText();
        EXPECT_EQ(text.substr(0, text.find('\n')), "SettingsFileClass::OpenFileForReading");
        EXPECT_EQ(text.substr(text.rfind('\n') + 1), path);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
    }
}

TEST_F(SettingsFileTest, EmptyFileOpensAndReadsWhatIsAddedLater) {
    const std::string path = WriteBinary("grows.txt", "");
    SettingsFileClass file(path, SettingsFileClass::ModeReading);
    ASSERT_TRUE(file.IsOpen());
    char buffer[16];
    std::ofstream(path, std::ios::binary | std::ios::app) << "late\n";
    ASSERT_TRUE(file.ReadFromSettingsFile(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "late\n");
}

TEST_F(SettingsFileTest, EveryOperationOnAClosedObjectReportsNotOpened) {
    const std::string read = "SettingsFileClass::ReadFromSettingsFile";
    const std::string write = "SettingsFileClass::WriteToSettingsFile";
    const std::vector<std::pair<std::string, std::function<bool(SettingsFileClass&)>>> cases = {
        {read,
         [](SettingsFileClass& f) {
             char b[8];
             return f.ReadFromSettingsFile(b, 8);
         }},
        {read,
         [](SettingsFileClass& f) {
             std::string s;
             return f.ReadFromSettingsFile(s);
         }},
        {read,
         [](SettingsFileClass& f) {
             char b[8];
             return f.ReadFromSettingsFileBuffered(b, 8);
         }},
        {write, [](SettingsFileClass& f) { return f.WriteToSettingsFile("x"); }},
        {write, [](SettingsFileClass& f) { return f.WriteLine(std::string("x")); }},
        {write, [](SettingsFileClass& f) { return f.WriteFormattedLine("%d", 1); }},
        {write, [](SettingsFileClass& f) { return f.WriteSetting("x", 1.0); }},
    };
    const std::string name = WriteBinary("closed.txt", "A\n");
    for (const auto& [location, operation] : cases) {
        SCOPED_TRACE(location);
        SettingsFileClass file(name, SettingsFileClass::ModeReading);
        EXPECT_TRUE(file.Close());
        EXPECT_FALSE(file.IsOpen());
        EXPECT_FALSE(operation(file));
        EXPECT_EQ(file.GetErrorText(), ErrorText(location, "File is not opened", name));
        EXPECT_FALSE(file.Rewind());
        file.Flush();
    }
    SettingsFileClass unopened;
    EXPECT_FALSE(unopened.WriteLine("x"));
    EXPECT_EQ(unopened.GetErrorText(), ErrorText(write, "File is not opened", ""));
}

// A name cut to its field would name another file: one that does not fit is refused as the
// system refuses a name it cannot take, and no part of it is kept to be opened later.
TEST_F(SettingsFileTest, NameLongerThanItsFieldOpensNothing) {
    const std::string name = WriteBinary("named.txt", "A\n");
    SettingsFileClass file(name, SettingsFileClass::ModeReading);
    EXPECT_EQ(file.GetFileName(), name);

    // "<folder>/././.../named.txt" of exactly 1023 characters names the file; one more
    // character names no file at all, but its first 1023 characters still name this one.
    std::string longest = directory.string() + "/";
    while (longest.size() + 2 + std::string("named.txt").size() <= 1023) {
        longest += "./";
    }
    longest += std::string(1023 - longest.size() - std::string("named.txt").size(), '/');
    longest += "named.txt";
    ASSERT_EQ(longest.size(), 1023u);
    EXPECT_TRUE(SettingsFileClass(longest, SettingsFileClass::ModeReading).IsOpen());

    for (const Mode mode : {SettingsFileClass::ModeReading, SettingsFileClass::ModeAppending}) {
        SettingsFileClass tooLong(longest + "x", mode);
        EXPECT_FALSE(tooLong.IsOpen()) << mode;
        EXPECT_STREQ(tooLong.GetFileName(), "");
        const std::string text = tooLong.GetErrorText();
        EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1)),
                  std::string(mode == SettingsFileClass::ModeReading
                                  ? "SettingsFileClass::OpenFileForReading\n"
                                  : "SettingsFileClass::OpenFileForAppending\n") +
                      std::strerror(ENAMETOOLONG));
        EXPECT_FALSE(tooLong.OpenFileForReading());
    }
}

TEST_F(SettingsFileTest, OpeningAgainReleasesTheFirstStream) {
    const std::string first = WriteBinary("first.txt", "1\n");
    const std::string second = WriteBinary("second.txt", "2\n");
    SettingsFileClass file(first, SettingsFileClass::ModeReading);
    file.Open(second.c_str(), SettingsFileClass::ModeReading);
    char buffer[8];
    ASSERT_TRUE(file.ReadFromSettingsFile(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "2\n");
    EXPECT_TRUE(file.OpenFileForReading());
    EXPECT_TRUE(file.IsOpen());
    ASSERT_TRUE(file.ReadFromSettingsFile(buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "2\n");
}

} // namespace

// What a read leaves in the caller's buffer, from the file's bytes: fgets's bytes (up to and
// including the line feed, at most size-1, then the terminator; nothing when no byte is left)
// with a CR LF at the line's end shortened to LF, also when the buffer ends with the CR.
bool ReferenceRead(const std::string& bytes, std::size_t& position, std::string& buffer) {
    if (position >= bytes.size()) {
        return false;
    }
    const std::size_t room = buffer.size() - 1;
    std::size_t count = 0;
    while (count < room && position < bytes.size()) {
        buffer[count++] = bytes[position];
        if (bytes[position++] == '\n') {
            break;
        }
    }
    buffer[count] = '\0';
    const bool filled = count == room;
    const std::size_t length = filled ? count : std::strlen(buffer.c_str());
    if (length >= 2 && buffer[length - 1] == '\n' && buffer[length - 2] == '\r') {
        buffer[length - 2] = '\n';
        buffer[length - 1] = '\0';
    } else if (filled && buffer[length - 1] == '\r' && position < bytes.size() &&
               bytes[position] == '\n') {
        buffer[length - 1] = '\n';
        ++position;
    }
    return true;
}

// Every byte of the caller's buffer after each read, never reset between reads, up to and
// including the first failed read.
std::vector<std::string> RawReads(SettingsFileClass& file, int size) {
    std::vector<std::string> reads;
    std::string buffer(static_cast<std::size_t>(size), '\x7f');
    bool read = true;
    while (read) {
        read = file.ReadFromSettingsFile(buffer.data(), size);
        reads.push_back((read ? "+" : "-") + buffer);
    }
    return reads;
}

constexpr int kPiece = 1 << 16; // the size of the pieces a file opened for reading is read in

// A file opened for reading is read in large pieces and its lines cut from them: a line end, a
// CR LF or a cut by the caller's buffer may fall on the edge of a piece.
TEST_F(SettingsFileTest, LinesAcrossTheEdgesOfTheReadersPiecesComeOutWhole) {
    const std::string endings[] = {"\n", "\r\n", "\r", std::string("\0\r\n", 3), "\r\r\n"};
    // 257 and 4097 cut the line so that a piece of the caller's ends with the reader's own.
    const int sizes[] = {2, 257, 4097, kPiece + 1, kPiece + 5000};
    for (int start = kPiece - 3; start <= kPiece + 1; ++start) {
        for (const std::string& ending : endings) {
            const std::string bytes =
                std::string(static_cast<std::size_t>(start), 'x') + ending + "next\r\nlast\r";
            auto file = OpenBytes(bytes);
            for (const int size : sizes) {
                SCOPED_TRACE(std::to_string(start) + " " + std::to_string(ending.size()) + " " +
                             std::to_string(size));
                std::vector<std::string> expected;
                std::string buffer(static_cast<std::size_t>(size), '\x7f');
                std::size_t position = 0;
                bool read = true;
                while (read) {
                    read = ReferenceRead(bytes, position, buffer);
                    expected.push_back((read ? "+" : "-") + buffer);
                }
                ASSERT_TRUE(file->Rewind());
                const std::vector<std::string> reads = RawReads(*file, size);
                ASSERT_EQ(reads.size(), expected.size());
                for (std::size_t i = 0; i < reads.size(); ++i) {
                    ASSERT_EQ(reads[i], expected[i]) << "read " << i;
                }
            }
        }
    }
}

// Whether a file that grew after its end was read reads on is the C library's choice for fgets
// (a file opened for reading and writing still reads through it); the pieces must not differ.
TEST_F(SettingsFileTest, FileThatGrowsAfterItsEndReadsOnAsFgetsWould) {
    const std::string bytes = std::string(kPiece - 1, 'x') + "\nlast";
    const auto session = [&](const std::string& name, Mode mode) {
        const std::string path = WriteBinary(name, bytes);
        SettingsFileClass file(path, mode);
        std::vector<std::string> reads = RawReads(file, 300);
        std::ofstream(path, std::ios::binary | std::ios::app) << "grown\n";
        const std::vector<std::string> after = RawReads(file, 300);
        reads.insert(reads.end(), after.begin(), after.end());
        return reads;
    };
    EXPECT_EQ(session("pieces.txt", SettingsFileClass::ModeReading),
              session("fgets.txt", SettingsFileClass::ModeReadWrite));
}
