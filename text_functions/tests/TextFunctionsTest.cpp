#include "text_functions/TextFunctions.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

namespace {

// A buffer with guard bytes on both sides, to catch writes outside the part handed out.
struct GuardedBuffer {
    static constexpr int kGuard = 8;
    explicit GuardedBuffer(int size) : bytes(static_cast<size_t>(size + 2 * kGuard), '#') {}
    char* Data() { return bytes.data() + kGuard; }
    bool GuardsIntact(int size) const {
        for (int i = 0; i < kGuard; ++i) {
            if (bytes[static_cast<size_t>(i)] != '#' ||
                bytes[static_cast<size_t>(kGuard + size + i)] != '#') {
                return false;
            }
        }
        return true;
    }
    std::vector<char> bytes;
};

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

TEST(SplitAtCharBounded, KeepsEmptyFieldsAndTheRestOfTheLine) {
    char doubled[] = "a||b";
    char* fields[17];
    ASSERT_EQ(SplitAtCharBounded(doubled, "|", fields, 16), 3);
    EXPECT_STREQ(fields[0], "a");
    EXPECT_STREQ(fields[1], "");
    EXPECT_STREQ(fields[2], "b");

    std::string commas;
    for (int i = 0; i < 20; ++i) {
        commas += std::to_string(i) + ",";
    }
    ASSERT_EQ(SplitAtCharBounded(commas.data(), ",", fields, 16), 17);
    EXPECT_STREQ(fields[15], "15");
    EXPECT_STREQ(fields[16], "16,17,18,19,");

    char empty[] = "";
    ASSERT_EQ(SplitAtCharBounded(empty, "|", fields, 16), 1);
    EXPECT_EQ(fields[0], empty);
}

TEST(SplitAtChar, NullTextGivesNoFields) {
    char* fields[2] = {};
    EXPECT_EQ(SplitAtCharBounded(nullptr, "|", fields, 1), 0);
    EXPECT_EQ(SplitAtChar(nullptr, "|", fields), 0);
    char text[] = "a,b,,c";
    EXPECT_EQ(SplitAtChar(text, ",", nullptr), 0);
}

// ---------------------------------------------------------------------------------------------

struct TokenCase {
    std::string text;
    int count;
    std::vector<std::string> tokens; // then a null entry
};

TEST(Tokenise, RunsOfSeparatorsCountAsOne) {
    const TokenCase cases[] = {
        {"%Z% Name P1:02 File $Revision: 1.3 $",
         7,
         {"%Z%", "Name", "P1:02", "File", "$Revision:", "1.3", "$"}},
        {"  a   b ", 2, {"a", "b"}},
        {"abc", 1, {"abc"}},
        {"", 1, {}},
        {"   ", 1, {}},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        char* tokens[10];
        ASSERT_EQ(Tokenise(text.data(), " ", tokens), c.count) << c.text;
        for (size_t i = 0; i < c.tokens.size(); ++i) {
            EXPECT_STREQ(tokens[i], c.tokens[i].c_str());
        }
        EXPECT_EQ(tokens[c.tokens.size()], nullptr) << c.text;
    }
    char* untouched[1] = {};
    EXPECT_EQ(Tokenise(nullptr, " ", untouched), 0);
}

TEST(TokeniseBounded, StopsAtTheLimitWithTheNextTokenBehind) {
    char text[] = "a,b;c,d";
    char* tokens[3];
    ASSERT_EQ(TokeniseBounded(text, ",;", tokens, 2), 2);
    EXPECT_STREQ(tokens[0], "a");
    EXPECT_STREQ(tokens[1], "b");
    EXPECT_STREQ(tokens[2], "c");

    char single[] = "x y";
    ASSERT_EQ(TokeniseBounded(single, " ", tokens, 0), 1);
    EXPECT_STREQ(tokens[1], "y");
}

TEST(Tokenise, PassesOnSeveralThreadsDoNotDisturbEachOther) {
    auto pass = [](const char* line, int expected, bool* ok) {
        for (int i = 0; i < 20000 && *ok; ++i) {
            std::string text = line;
            char* tokens[8];
            *ok = Tokenise(text.data(), " ", tokens) == expected && tokens[expected] == nullptr;
        }
    };
    bool firstOk = true;
    bool secondOk = true;
    std::thread first(pass, "a b c d e f", 6, &firstOk);
    std::thread second(pass, "one two", 2, &secondOk);
    first.join();
    second.join();
    EXPECT_TRUE(firstOk);
    EXPECT_TRUE(secondOk);
}

// ---------------------------------------------------------------------------------------------

TEST(ReadNumberList, TakesExactlyTheCountOfWholeFiniteNumbers) {
    double values[3] = {7, 7, 7};
    EXPECT_EQ(ReadNumberList("51.5,-0.25,1e3", 3, values), NumberList::Read);
    EXPECT_EQ(values[0], 51.5);
    EXPECT_EQ(values[1], -0.25);
    EXPECT_EQ(values[2], 1000.0);
    const std::string overlong = "1," + std::string(kListTextSize, '0');
    for (const char* text : {"1,2", "1,2,3,4", "1,,3", "1, 2,3", " 1,2,3", "1,2,3x", "", ",,",
                             overlong.c_str()}) {
        double untouched[3] = {7, 7, 7};
        EXPECT_EQ(ReadNumberList(text, 3, untouched), NumberList::NotTheForm) << text;
        EXPECT_EQ(untouched[0], 7.0) << text;
    }
    for (const char* text : {"nan,0,0", "0,inf,0", "0,0,1e999"}) {
        double untouched[3] = {7, 7, 7};
        EXPECT_EQ(ReadNumberList(text, 3, untouched), NumberList::NotFinite) << text;
        EXPECT_EQ(untouched[0], 7.0) << text;
    }
    EXPECT_EQ(ReadNumberList(nullptr, 1, values), NumberList::NotTheForm);
    EXPECT_EQ(ReadNumberList("1", kMostListedNumbers + 1, values), NumberList::NotTheForm);
}

TEST(ParseHex, ReadsDigitsAfterTheLowerCasePrefix) {
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        {"3C", 60},
        {"0x3C", 60},
        {"0x003c", 60},
        {"abc0x3C", 60},
        {"", 0},
        {"0x", 0},
        {nullptr, 0},
        {"3G", -1},
        {"0X3C", -1},
        {"1234567890123456789", -1},
        {"FFFFFFFF", -1},
        {"80000000", INT32_MIN},
        {"7fffffff", INT32_MAX},
        {"123456789", 0x23456789},
        {"FFFFFFFFFFFFFFFFFF", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseHex(c.text), c.value) << (c.text ? c.text : "null");
    }
}

TEST(PackFourChars, WeighsTheFirstFourCharacters) {
    EXPECT_EQ(PackFourChars("ABCD"), 0x41424344);
    EXPECT_EQ(PackFourChars("ABCDEF"), 0x41424344 + 'E' + 'F');
    EXPECT_EQ(PackFourChars("\x80"), INT32_MIN);
    EXPECT_EQ(PackFourChars(nullptr), -1);
    EXPECT_EQ(DigitValue('7'), 7);
    EXPECT_EQ(DigitValue('a'), -1);
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

// ---------------------------------------------------------------------------------------------
// Position, time and number formatting.

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Fixed10(char* (*format)(char*, double, int), double degrees, int kind) {
    char output[10];
    std::memset(output, '#', sizeof output);
    format(output, degrees, kind);
    return std::string(output, sizeof output);
}

TEST(PositionFormats, TenByteTextsAreZeroFilled) {
    using namespace std::string_literals;
    const struct {
        char* (*format)(char*, double, int);
        double degrees;
        int kind;
        std::string bytes;
    } cases[] = {
        {FormatLatLonTenths, 51.5, kLatitude, "5130.0N\0\0\0"s},
        {FormatLatLonTenths, -0.5, kLongitude, "00030.0W\0\0"s},
        {FormatLatLonTenths, 360.0, kLongitude, "36000.0E\0\0"s},
        {FormatLatLonTenths, 360.5, kLongitude, std::string(10, '\0')},
        {FormatLatLonTenths, 10.0, 2, std::string(10, '\0')},
        {FormatLatLonTenths, kNaN, kLatitude, std::string(10, '\0')},
        {FormatLatLonDegrees, kNaN, kLongitude, std::string(10, '\0')},
        {[](char* o, double d, int k) { return FormatLatLonLetterFirst(o, d, k == kLatitude); },
         kNaN, kLatitude, std::string(10, '\0')},
        {FormatLatLonDegrees, -33.9, kLatitude, "33S\0\0\0\0\0\0\0"s},
        {FormatLatLonDegrees, 7.9, kLongitude, "007E\0\0\0\0\0\0"s},
        {[](char* o, double d, int k) { return FormatLatLonLetterFirst(o, d, k == kLatitude); },
         51.5, kLatitude, "N5130.0\0\0\0"s},
        {[](char* o, double d, int k) { return FormatLatLonLetterFirst(o, d, k == kLatitude); },
         -2.25, kLongitude, "W00215.0\0\0"s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Fixed10(c.format, c.degrees, c.kind), c.bytes) << c.degrees;
    }
}

TEST(PositionFormats, SizedTextsNeverPassTheirBuffer) {
    const struct {
        char* (*format)(char*, int, double, int);
        double value;
        int kind;
        const char* text;
    } cases[] = {
        {FormatArcSecondsDMS, 185400, kLatitude, "N051:30:00"},
        {FormatArcSecondsDMS, -185400, kLongitude, "W051:30:00"},
        {FormatArcSecondsDMS, 59.6, kLatitude, "N000:00:60"},
        {FormatArcSecondsDMS, 3600, 7, "?001:00:00"},
        {FormatArcSecondsDMSSwapped, -185400, kLatitude, "W051:30:00"},
        {FormatDegreesDMS, -51.5, kLatitude, "S051:30:00"},
        {FormatRadiansDMS, 0.5, kLongitude, "E028:38:52"},
        {FormatLatLonCaretTenths, 51.5, kLatitude, "51^30.0N"},
        {FormatLatLonCaretTenths, -1.5, kLongitude, "001^30.0W"},
        {FormatLatLonCaretTenths, -361, kLongitude, ""},
        {FormatLatLonCaretTenths, kNaN, kLatitude, ""},
        {[](char* o, int s, double v, int) { return FormatSignedDMS(o, s, v); }, 0, 0,
         "+000:00:00"},
        {[](char* o, int s, double v, int) { return FormatSignedDMS(o, s, v); }, -3661.9, 0,
         "-001:01:01"},
        {[](char* o, int s, double v, int) { return FormatSecondsDMS(o, s, v); }, -3723.5, 0,
         "   -1:-2:-3.50000"},
        {[](char* o, int s, double v, int) { return FormatDegreesDecimalMinutes(o, s, v); }, -5430,
         0, "  -1:-30.500"},
        {[](char* o, int s, double v, int) { return FormatSignedDMS(o, s, v); }, 1e300, 0, ""},
    };
    for (const auto& c : cases) {
        const int full = static_cast<int>(std::strlen(c.text)) + 1;
        for (int size : {full, 5}) {
            GuardedBuffer buffer(size);
            EXPECT_EQ(c.format(buffer.Data(), size, c.value, c.kind), buffer.Data());
            EXPECT_EQ(std::string(buffer.Data()), std::string(c.text).substr(0, size - 1))
                << c.value << " in " << size;
            EXPECT_TRUE(buffer.GuardsIntact(size)) << c.text;
        }
    }
}

TEST(TimeAndNumberFormats, FixedTexts) {
    const struct {
        std::int32_t time;
        const char* text;
    } times[] = {{0, "00:00"}, {45296, "12:34"}, {86399 + 86400, "23:59"}, {-1, "xx:xx"}};
    for (const auto& c : times) {
        char output[6];
        EXPECT_STREQ(FormatUtcHoursMinutes(output, c.time), c.text);
    }
    EXPECT_STREQ(FormatFixed10(3.14159, 2), "      3.14");
    EXPECT_STREQ(FormatFixed10(3.14159, 7), "   3.14159");
    EXPECT_STREQ(FormatFixed10(3.14159, -1), "   3.14159");
    EXPECT_STREQ(FormatFixed10(-2.0, 0), "        -2");
    EXPECT_EQ(BoolToTF(false), 'F');
    EXPECT_EQ(BoolToTF(true), 'T');
}

TEST(UtcTimestamp, IsoFormAcrossTheCalendar) {
    const struct {
        std::int64_t time;
        const char* text;
    } cases[] = {
        {0, "1970-01-01T00:00:00Z"},
        {1700000000, "2023-11-14T22:13:20Z"},
        {951782400, "2000-02-29T00:00:00Z"},  // a leap day of a year divisible by 400
        {4107542399, "2100-02-28T23:59:59Z"}, // 2100 is no leap year
        {4107542400, "2100-03-01T00:00:00Z"},
        {2147483648, "2038-01-19T03:14:08Z"}, // past the 32-bit range
        {-1, "1969-12-31T23:59:59Z"},
        {-62167219200, "0000-01-01T00:00:00Z"},
        {253402300799, "9999-12-31T23:59:59Z"},
        {253402300800, ""},
        {-62167219201, ""},
    };
    for (const auto& c : cases) {
        char output[kUtcTimestampSize];
        EXPECT_STREQ(FormatUtcTimestamp(output, sizeof output, c.time), c.text) << c.time;
    }
    char shortOutput[11];
    EXPECT_STREQ(FormatUtcTimestamp(shortOutput, sizeof shortOutput, 0), "1970-01-01");
}

TEST(Revisions, IdentifiersInRegistrationOrder) {
    const auto revisions = TextFunctionsRevisions();
    const char* parts[] = {" QX3102:01 ", " QX3102:02 ", " QX3102:03 ", " QX3102 ", " QX3102:05 "};
    ASSERT_EQ(revisions.size(), std::size(parts));
    for (size_t i = 0; i < revisions.size(); ++i) {
        EXPECT_NE(std::strstr(revisions[i], parts[i]), nullptr) << revisions[i];
    }
    EXPECT_NE(std::strstr(TextFcnsRevision(), "$Revision: 1.3 $"), nullptr);
}

} // namespace
