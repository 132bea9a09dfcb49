// Splitting texts into fields and tokens, and reading numbers out of them.
#include "text_functions/TextFunctions.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace {

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

// The separators cut one character at a time, as the fields are to come out.
std::vector<std::string> ReferenceSplit(const std::string& text, char separator, int maxSplits) {
    std::vector<std::string> fields(1);
    for (const char c : text) {
        if (c == separator && static_cast<int>(fields.size()) - 1 < maxSplits) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// Every length up to five words, with separators at every place in a word beside bytes one bit
// away from them: a word-wise search that borrows or carries between bytes finds those too.
TEST(SplitAtCharBounded, CutsAsACharacterByCharacterSplitWhereverTheSeparatorsFall) {
    const char separators[] = {',', '|', '\xac'};
    const char alphabet[] = {'a',    ',', '|', '\xac', '\xfc', '\x7f',
                             '\x01', '-', '}', '\xad', '\x80', '\xff'};
    std::uint32_t state = 12345;
    const auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return state >> 16;
    };
    for (const char separator : separators) {
        for (std::size_t length = 0; length <= 40; ++length) {
            for (int round = 0; round < 40; ++round) {
                std::string text;
                for (std::size_t i = 0; i < length; ++i) {
                    text += alphabet[next() % sizeof alphabet];
                }
                for (const int maxSplits : {0, 1, 3, 9, 16, INT_MAX}) {
                    std::vector<char> bytes(text.begin(), text.end());
                    bytes.push_back('\0');
                    std::vector<char*> fields(text.size() + 2);
                    const char pattern[] = {separator, '\0'};
                    const int count =
                        SplitAtCharBounded(bytes.data(), pattern, fields.data(), maxSplits);
                    std::vector<std::string> got(fields.begin(), fields.begin() + count);
                    ASSERT_EQ(got, ReferenceSplit(text, separator, maxSplits))
                        << testing::PrintToString(text) << " " << maxSplits;
                }
            }
        }
    }
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
    for (const char* text :
         {"1,2", "1,2,3,4", "1,,3", "1, 2,3", " 1,2,3", "1,2,3x", "", ",,", overlong.c_str()}) {
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

} // namespace
