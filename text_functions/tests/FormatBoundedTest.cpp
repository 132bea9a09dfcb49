// Bounded formatting and copying into fixed buffers, the in-place cleaning of texts and the
// extraction of parts of them.
#include "text_functions/TextFunctions.h"
#include "text_functions/tests/GuardedBuffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

bool ZeroFrom(const char* buffer, int from, int to) {
    for (int i = from; i < to; ++i) {
        if (buffer[i] != '\0') {
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------

struct FormatCase {
    std::string text;
    int size;
    std::string stored;
    int result;
};

TEST(FormatBounded, StoresCutTextAndZeroFillsTheRest) {
    const FormatCase cases[] = {
        {"abc", 10, "abc", 3},
        {"123456789", 10, "123456789", 9},
        {"1234567890", 10, "123456789", 10},
        {std::string(25, 'x'), 10, std::string(9, 'x'), -1},
        {"abc", 1, "", -1},
    };
    for (const auto& c : cases) {
        GuardedBuffer buffer(c.size);
        EXPECT_EQ(FormatBounded(buffer.Data(), c.size, "%s", c.text.c_str()), c.result) << c.text;
        EXPECT_EQ(std::string(buffer.Data()), c.stored);
        EXPECT_TRUE(ZeroFrom(buffer.Data(), static_cast<int>(c.stored.size()), c.size));
        EXPECT_TRUE(buffer.GuardsIntact(c.size));
    }
}

TEST(FormatBounded, WritesNothingWithoutRoom) {
    EXPECT_EQ(FormatBounded(nullptr, 10, "%s", "abc"), 0);
    for (int size : {0, -1, INT_MIN}) {
        GuardedBuffer buffer(0);
        EXPECT_EQ(FormatBounded(buffer.Data(), size, "%s", "abc"), 0) << size;
        EXPECT_TRUE(buffer.GuardsIntact(0)) << size;
    }
}

TEST(FormatMaxChars, TerminatesBehindTheGivenCount) {
    GuardedBuffer buffer(11);
    EXPECT_EQ(FormatMaxChars(buffer.Data(), 10, "%s", std::string(25, 'y').c_str()), -1);
    EXPECT_EQ(std::string(buffer.Data()), std::string(10, 'y'));
    EXPECT_TRUE(buffer.GuardsIntact(11));
    EXPECT_EQ(FormatMaxChars(buffer.Data(), 10, "%d", 42), 2);
    EXPECT_EQ(FormatMaxChars(nullptr, 10, "%d", 42), 0);
}

// ---------------------------------------------------------------------------------------------

TEST(CopyBounded, CutsAndZeroFills) {
    GuardedBuffer buffer(5);
    EXPECT_EQ(CopyBounded(buffer.Data(), "ABCDEFGHIJ", 5), buffer.Data());
    EXPECT_STREQ(buffer.Data(), "ABCD");
    CopyBounded(buffer.Data(), "AB", 5);
    EXPECT_EQ(std::memcmp(buffer.Data(), "AB\0\0\0", 5), 0);
    EXPECT_TRUE(buffer.GuardsIntact(5));
    EXPECT_EQ(CopyBounded(buffer.Data(), "xyz", 0), buffer.Data());
    EXPECT_STREQ(buffer.Data(), "AB");
    EXPECT_EQ(CopyBounded(buffer.Data(), nullptr, 5), nullptr);
    EXPECT_EQ(CopyBounded(buffer.Data(), "xyz", -1), nullptr);
}

using InPlace = char* (*)(char*);

TEST(TextCleaning, InPlaceOperations) {
    const struct {
        const char* name;
        InPlace operation;
        const char* text;
        const char* result;
    } cases[] = {
        {"RemoveChar", [](char* t) { return RemoveChar(t, '"'); }, "\"3C6586\"", "3C6586"},
        {"StripNewline", StripNewline, "abc\ndef\n", "abc"},
        {"StripNewline", StripNewline, "abc\r\n", "abc\r"},
        {"RemoveSpaces", RemoveSpaces, " a\tb c ", "a\tbc"},
        {"StripTrailingTab", StripTrailingTab, "a\t\t", "a\t"},
        {"StripTrailingTab", StripTrailingTab, "", ""},
        {"TrimTrailingSpaces", TrimTrailingSpaces, "   ", ""},
        {"TrimTrailingSpaces", TrimTrailingSpaces, " a b  ", " a b"},
        {"CollapseRepeatedTabs", CollapseRepeatedTabs, "a\t\t\tb\tc\t\t", "a\tb\tc\t"},
        {"CollapseRepeatedChar", [](char* t) { return CollapseRepeatedChar(t, '-'); }, "--a---b",
         "-a-b"},
        {"ReplaceCharWithUnderscore", [](char* t) { return ReplaceCharWithUnderscore(t, ' '); },
         "a b c", "a_b_c"},
        {"TabsToSpaces", TabsToSpaces, "a\tb\t", "a b "},
        {"TruncateAtChar", [](char* t) { return TruncateAtChar(t, ':'); }, "ab:cd:e", "ab"},
        {"StripLastPathComponent", StripLastPathComponent, "C:\\a\\b.dat", "C:\\a"},
        {"StripLastPathComponent", StripLastPathComponent, "b.dat", "b.dat"},
        {"RemoveSpacesOutsideQuotes", [](char* t) { return RemoveSpacesOutsideQuotes(t, 100); },
         " a = \"x y\" ;", "a=\"x y\";"},
        {"RemoveSpacesOutsideQuotes", [](char* t) { return RemoveSpacesOutsideQuotes(t, 4); },
         "a b c d", "ab"},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        EXPECT_EQ(c.operation(text.data()), text.data()) << c.name;
        EXPECT_STREQ(text.c_str(), c.result) << c.name << " of '" << c.text << "'";
        EXPECT_EQ(c.operation(nullptr), nullptr) << c.name;
    }
}

TEST(TextCleaning, WorkAreaCutsLongResults) {
    std::string text(1500, 'a');
    text += "\"";
    RemoveChar(text.data(), '"');
    EXPECT_EQ(std::strlen(text.c_str()), 1023u);
    std::string tooLong(1024, ' ');
    EXPECT_EQ(RemoveSpacesOutsideQuotes(tooLong.data(), 5), nullptr);
    EXPECT_EQ(tooLong, std::string(1024, ' '));
}

TEST(IsSpaceOnlyLine, ChangesTheTextEitherWay) {
    char spaces[] = "   ";
    EXPECT_TRUE(IsSpaceOnlyLine(spaces));
    EXPECT_STREQ(spaces, "");
    char line[] = " a b\n";
    EXPECT_FALSE(IsSpaceOnlyLine(line));
    EXPECT_STREQ(line, "ab");
    char empty[] = "";
    EXPECT_FALSE(IsSpaceOnlyLine(empty));
    EXPECT_FALSE(IsSpaceOnlyLine(nullptr));
}

TEST(TextPredicates, NullAndLimits) {
    EXPECT_TRUE(EqualIgnoringSpaces(" a b", "ab  "));
    EXPECT_FALSE(EqualIgnoringSpaces("ab", "AB"));
    EXPECT_TRUE(EqualIgnoringSpaces((std::string(999, 'x') + "1").c_str(),
                                    (std::string(999, 'x') + "2").c_str()));
    EXPECT_FALSE(EqualIgnoringSpaces(nullptr, ""));
    EXPECT_TRUE(ContainsAnyOf("abc", "xc"));
    EXPECT_FALSE(ContainsAnyOf("abc", ""));
    EXPECT_FALSE(ContainsAnyOf(nullptr, "a"));
    EXPECT_TRUE(IsEmptyText(""));
    EXPECT_FALSE(IsEmptyText(nullptr));
    EXPECT_TRUE(HasNoText(nullptr));
    EXPECT_EQ(BoundedLength(std::string(12000, 'z').c_str()), 10000);
    EXPECT_EQ(BoundedLength(nullptr), 0);
    EXPECT_STREQ(SkipLeadingSpaces("  a "), "a ");
}

// ---------------------------------------------------------------------------------------------

TEST(CopyOperations, PrefixAndTwentyCharacterField) {
    char prefix[6] = "#####";
    CopyPrefix(prefix, "ab", 4);
    EXPECT_EQ(std::memcmp(prefix, "ab\0\0#", 5), 0);
    CopyPrefix(prefix, "abcdef", 4);
    EXPECT_STREQ(prefix, "abcd");
    EXPECT_EQ(CopyPrefix(prefix, nullptr, 4), nullptr);

    char field[22];
    std::memset(field, '#', sizeof field);
    CopyUpTo20Chars(field, std::string(30, 'q').c_str());
    EXPECT_EQ(std::string(field, 21), std::string(20, 'q') + "#");
}

TEST(ReplaceAll, StaysWithinTheDestination) {
    char source[] = "a.b.c";
    GuardedBuffer destination(8);
    ReplaceAll(source, destination.Data(), 8, ".", "-->");
    EXPECT_STREQ(destination.Data(), "a-->b--");
    EXPECT_TRUE(destination.GuardsIntact(8));
    EXPECT_STREQ(source, "a");

    char unchanged[] = "abc";
    char result[10];
    ReplaceAll(unchanged, result, sizeof result, "", "x");
    EXPECT_STREQ(result, "abc");
}

TEST(RemoveFirstSubstring, RemovesOnlyTheFirst) {
    char result[10];
    RemoveFirstSubstring("abXYcdXY", result, sizeof result, "XY");
    EXPECT_STREQ(result, "abcdXY");
    RemoveFirstSubstring("abc", result, sizeof result, "q");
    EXPECT_STREQ(result, "abc");
    RemoveFirstSubstring("abcdefghijkl", result, 4, "q");
    EXPECT_STREQ(result, "abc");
}

TEST(Extraction, QuotedValuesElementsAndRanges) {
    char out[8];
    EXPECT_STREQ(GetQuotedValue("id = \"A12\" x=\"9\"", "x=", out, sizeof out), "9");
    EXPECT_STREQ(GetQuotedValue("id = \"A12\"", "id", out, sizeof out), "A12");
    EXPECT_STREQ(GetQuotedValue("id = \"A12", "id", out, sizeof out), "");
    EXPECT_STREQ(GetElementText("<a b=1>text</a>", "<a", "</a>", out, sizeof out), "text");
    EXPECT_STREQ(GetElementText("</a><a>text", "<a>", "</a>", out, sizeof out), "");
    const char range[] = "123456789";
    EXPECT_STREQ(CopyRange(range, range + 7, out, sizeof out), "1234567");
    EXPECT_STREQ(CopyRange(range, range + 8, out, sizeof out), "1234567");
    EXPECT_STREQ(CopyRange(range, range + 9, out, sizeof out), "");
    EXPECT_STREQ(CopyRange(range + 3, range, out, sizeof out), "");
    char mixed[16];
    EXPECT_STREQ(UnderscoreToMixedCase(mixed, "flight_level_a", sizeof mixed), "flightLevelA");
}

// ---------------------------------------------------------------------------------------------

int FakeProgramFileName(char* buffer, int size) {
    return FormatBounded(buffer, size, "%s", "C:\\Apps\\Feed\\Corvane.exe");
}

TEST(GetProgramDirectory, CutsAtTheBackslashBeforeTheProgramName) {
    char directory[64] = "stale";
    SetProgramFileNameSource(nullptr);
    GetProgramDirectory(directory, sizeof directory);
    EXPECT_STREQ(directory, "");
    SetProgramFileNameSource(FakeProgramFileName);
    GetProgramDirectory(directory, sizeof directory);
    EXPECT_STREQ(directory, "C:\\Apps\\Feed");
    SetProgramFileNameSource(nullptr);
}

} // namespace
