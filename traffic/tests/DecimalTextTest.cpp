#include "traffic/DecimalText.h"

#include "tests/support/CaseNames.h"
#include "tests/support/NumberGrammar.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

std::uint64_t Bits(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The conversion must equal the C library's reading of what the grammar accepts, bit for bit
// (sign of zero included), and be 0 where that is not a finite number.
void ExpectGrammarReading(const std::string& text) {
    const double expected = GrammarReading(text);
    const double actual = ParseDecimal(text.c_str());
    ASSERT_EQ(Bits(actual), Bits(expected)) << "text: \"" << text << "\"";
}

TEST(ParseDecimalTest, HostileTextsReadAsTheGrammarReadsThem) {
    const std::vector<std::string> texts = {
        "",
        "\n",
        " ",
        "\t",
        "-",
        "+",
        ".",
        "-.",
        "+.",
        "e5",
        ".e5",
        "-0",
        "+0",
        "-0.0",
        "0",
        "00000000000000000000000000000000000000000.5",
        "-0.000000000000000000000000000000",
        "50.45",
        "-0.6",
        "+179.8",
        "  50.45",
        "\t-1.5",
        "\n7",
        "\v\f\r 3.25",
        "50.45\n",
        "1.5e3",
        "1.5E-3",
        "1e",
        "1e+",
        "1e-",
        "1.e5",
        ".5",
        "5.",
        "-.5",
        "+-5",
        "-+5",
        "- 5",
        "inf",
        "-inf",
        "INF",
        "Infinity",
        "infinit",
        "nan",
        "-nan",
        "NaN",
        "nan(123)",
        "nan(0x7ffff)",
        "0x1p3",
        "0X1P-3",
        "-0x1.8p1",
        "0x",
        "0x.8",
        "0xg",
        "0x1p",
        "1x5",
        "9007199254740992",
        "9007199254740993",
        "9007199254740991.5",
        "18446744073709551615",
        "18446744073709551616",
        "1234567890123456789",
        "12345678901234567890",
        "0.1",
        "0.3",
        "0.30000000000000004",
        "2.2250738585072011e-308",
        "4.9e-324",
        "2e-324",
        "1.7976931348623157e308",
        "1.8e308",
        "1e22",
        "1e23",
        "0.0000000000000000000001",
        "0.00000000000000000000001",
        "123456789.0123456789",
        "0.00000000000000000000000000000000000000000000000000000000000000000001",
        "3.14159|",
        "12,5",
        "1_000",
        "1'000",
        "٣",
        "\xef\xbc\x91",
        "1\xa0",
        std::string(400, '9'),
        "0." + std::string(400, '0') + "1",
        "1" + std::string(320, '0'),
        "-" + std::string(30, '0') + "12.5",
    };
    for (const std::string& text : texts) {
        ExpectGrammarReading(text);
    }
}

// What strtod reads beyond the grammar never reaches a record: hexadecimal stops at the x,
// infinity and NaN have no valid start, and a value beyond the range of a double reads 0.
TEST(ParseDecimalTest, FormsBeyondTheGrammarAndOverflowReadZero) {
    struct Case {
        const char* text;
        double expected;
    };
    const Case cases[] = {
        {"nan", 0.0},     {"-nan", 0.0},     {"NaN(123)", 0.0},    {"inf", 0.0},
        {"-inf", 0.0},    {"infinity", 0.0}, {" Infinity\n", 0.0}, {"0x1A", 0.0},
        {"-0x1A", -0.0},  {"0X1P-3", 0.0},   {"0x.8", 0.0},        {"00x1A", 0.0},
        {"1x5", 1.0},     {"1e999", 0.0},    {"-1e999", 0.0},      {"1.8e308", 0.0},
        {"1e308", 1e308}, {"1e-999", 0.0},   {" +12.5e1|", 125.0}};
    for (const Case& c : cases) {
        const double value = ParseDecimal(c.text);
        EXPECT_EQ(Bits(value), Bits(c.expected)) << "text: \"" << c.text << "\" read " << value;
    }
}

class RandomTexts {
public:
    explicit RandomTexts(std::uint64_t seed) : engine(seed) {}

    std::string Characters() {
        static const char kAlphabet[] = " \t\n\v\f\r+-.0123456789eExXpPaAfFnNiItTyY|\"(),_";
        std::string text;
        const int length = Between(0, 30);
        for (int i = 0; i < length; ++i) {
            text += kAlphabet[Between(0, sizeof kAlphabet - 2)];
        }
        return text;
    }

    std::string Structured() {
        std::string text;
        text += Pick({"", "", "", " ", "\t", "  \t", "\n"});
        text += Pick({"", "", "-", "+"});
        text += Digits(Between(0, 22));
        if (Between(0, 3) > 0) {
            text += '.';
            text += Digits(Between(0, 25));
        }
        if (Between(0, 6) == 0) {
            text += Pick({"e", "E"});
            text += Pick({"", "-", "+"});
            text += Digits(Between(0, 4));
        }
        text += Pick({"", "", "\n", "|", " ", "x", "e", "abc", "."});
        return text;
    }

    // Values as a recorder writes them, at every precision and with random bit patterns
    // (denormals, huge and tiny magnitudes included).
    std::string Printed() {
        char text[512];
        double value = 0.0;
        if (Between(0, 1) == 0) {
            const std::uint64_t bits = engine();
            std::memcpy(&value, &bits, sizeof value);
        } else {
            value = std::uniform_real_distribution<double>(-400.0, 400.0)(engine);
        }
        const int precision = Between(0, 20);
        if (Between(0, 1) == 0) {
            std::snprintf(text, sizeof text, "%.*g", precision, value);
        } else {
            std::snprintf(text, sizeof text, "%.*f", precision, value);
        }
        return text;
    }

    std::string LongDigits() {
        std::string text = Pick({"", "-", "0.", "-0.", "."});
        text += Digits(Between(15, 400));
        if (Between(0, 1) == 0) {
            text += '.' + Digits(Between(0, 40));
        }
        return text;
    }

private:
    int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(engine); }

    std::string Pick(std::initializer_list<const char*> choices) {
        return *(choices.begin() + Between(0, static_cast<int>(choices.size()) - 1));
    }

    std::string Digits(int count) {
        std::string digits;
        const bool zeroHeavy = Between(0, 3) == 0;
        for (int i = 0; i < count; ++i) {
            digits +=
                static_cast<char>('0' + (zeroHeavy && Between(0, 1) == 0 ? 0 : Between(0, 9)));
        }
        return digits;
    }

    std::mt19937_64 engine;
};

TEST(ParseDecimalTest, RandomTextsReadAsTheGrammarReadsThem) {
    RandomTexts random(20261208);
    constexpr int kRounds = 200000;
    for (int i = 0; i < kRounds; ++i) {
        ExpectGrammarReading(random.Characters());
        ExpectGrammarReading(random.Structured());
        ExpectGrammarReading(random.Printed());
        if (i % 10 == 0) {
            ExpectGrammarReading(random.LongDigits());
        }
    }
}

// Bounds must hold the exact conversion wherever they are given, and end where strtod ends.
void ExpectBoundsHold(const std::string& text, int& bounded) {
    DecimalBounds bounds{};
    if (!BoundDecimal(text.c_str(), bounds)) {
        return;
    }
    ++bounded;
    char* strtodEnd = nullptr;
    const double exact = std::strtod(text.c_str(), &strtodEnd);
    ASSERT_LE(static_cast<double>(bounds.floor), exact) << "text: \"" << text << "\"";
    ASSERT_GE(static_cast<double>(bounds.floor + 1), exact) << "text: \"" << text << "\"";
    ASSERT_EQ(bounds.end, strtodEnd) << "text: \"" << text << "\"";
}

TEST(BoundDecimalTest, BoundsHoldTheExactValue) {
    const std::vector<std::string> texts = {"0",
                                            "-0",
                                            "+0",
                                            "-0.0",
                                            "0.",
                                            ".5",
                                            "-.5",
                                            "5.",
                                            "50",
                                            "50.0",
                                            "50.9999999999999999999",
                                            "-49.99999999999999999999999",
                                            "999999999999999",
                                            "-999999999999999.99999",
                                            "179.99999999999999999",
                                            "-180.0000000000000000001",
                                            "89.7|",
                                            "0.6\n",
                                            "00000000000050.5",
                                            "1.5.3",
                                            "12,5",
                                            "-1-2"};
    int bounded = 0;
    for (const std::string& text : texts) {
        ExpectBoundsHold(text, bounded);
    }
    EXPECT_EQ(bounded, static_cast<int>(texts.size()));

    RandomTexts random(7000);
    bounded = 0;
    constexpr int kRounds = 100000;
    for (int i = 0; i < kRounds; ++i) {
        ExpectBoundsHold(random.Characters(), bounded);
        ExpectBoundsHold(random.Structured(), bounded);
        ExpectBoundsHold(random.Printed(), bounded);
    }
    EXPECT_GT(bounded, kRounds / 2); // the plain forms are the common ones
}

// Whatever strtod could read further, or reads otherwise than a plain number, is refused.
TEST(BoundDecimalTest, RefusesEverythingButThePlainForm) {
    const char* const texts[] = {"",
                                 " 50",
                                 "\t50",
                                 "\n50",
                                 "-",
                                 "+",
                                 ".",
                                 "-.",
                                 "+-5",
                                 "- 5",
                                 "5e1",
                                 "5.0E-1",
                                 "5e",
                                 "0x1p3",
                                 "0X10",
                                 "1x",
                                 "inf",
                                 "-inf",
                                 "nan",
                                 "NaN(1)",
                                 "|50",
                                 "abc",
                                 "5.5e+1",
                                 "1234567890123456",
                                 "-0000000000000001.5"};
    for (const char* text : texts) {
        DecimalBounds bounds{};
        EXPECT_FALSE(BoundDecimal(text, bounds)) << "text: \"" << text << "\"";
    }
    DecimalBounds bounds{};
    EXPECT_FALSE(BoundDecimal(nullptr, bounds));
}

// [sign] digits [. digits] with a digit somewhere and nothing else.
bool IsWholePlainDecimal(const std::string& text) {
    std::size_t at = text.find_first_not_of("+-") == 1 ? 1 : 0;
    const std::size_t integer = text.find_first_not_of("0123456789", at);
    std::size_t digits = (integer == std::string::npos ? text.size() : integer) - at;
    at += digits;
    if (at < text.size() && text[at] == '.') {
        const std::size_t fraction = text.find_first_not_of("0123456789", at + 1);
        digits += (fraction == std::string::npos ? text.size() : fraction) - at - 1;
        at = fraction == std::string::npos ? text.size() : fraction;
    }
    return digits > 0 && at == text.size();
}

// The one walk over a whole field reads what ParseDecimal reads, bit for bit, and reads only a
// field that is one plain decimal: the callers take anything it reads for a valid number.
void ExpectWholeReading(const std::string& text, int& read) {
    double value = 7.0;
    if (!ParseWholeShortDecimal(text.c_str(), value)) {
        ASSERT_EQ(Bits(value), Bits(7.0)) << "text: \"" << text << "\"";
        return;
    }
    ++read;
    ASSERT_TRUE(IsWholePlainDecimal(text)) << "text: \"" << text << "\"";
    ASSERT_EQ(Bits(value), Bits(ParseDecimal(text.c_str()))) << "text: \"" << text << "\"";
}

TEST(ParseWholeShortDecimalTest, ReadsOnlyAWholePlainDecimalAsParseDecimalDoes) {
    int read = 0;
    for (const char* text : {"-0", "50.45", "+.5", "7.", "-152.4", "1656331198.022",
                             "9007199254740992", "0.000000000000000001"}) {
        ExpectWholeReading(text, read);
    }
    EXPECT_EQ(read, 8);
    read = 0;
    for (const char* text : {"", " 5", "5 ", "-", ".", "+-5", "5e1", "1.5.3", "0x10", "inf", "nan",
                             "5|", "50.45\n", "12345678901234567890", "1.2e-3"}) {
        ExpectWholeReading(text, read);
    }
    EXPECT_EQ(read, 0);
    double value = 7.0;
    EXPECT_FALSE(ParseWholeShortDecimal(nullptr, value));

    RandomTexts random(4242);
    constexpr int kRounds = 100000;
    for (int i = 0; i < kRounds; ++i) {
        ExpectWholeReading(random.Characters(), read);
        ExpectWholeReading(random.Structured(), read);
        ExpectWholeReading(random.Printed(), read);
    }
    EXPECT_GT(read, kRounds / 2); // the plain forms are the common ones
}

TEST(ParseDecimalTest, NullReadsAsZero) {
    EXPECT_EQ(Bits(ParseDecimal(nullptr)), Bits(0.0));
}

struct IntegerCase {
    const char* text;
    std::int32_t expected;
};

class ParseDecimalIntegerTest : public testing::TestWithParam<IntegerCase> {};

TEST_P(ParseDecimalIntegerTest, ReadsLeadingIntegerWithinRange) {
    EXPECT_EQ(ParseDecimalInteger(GetParam().text), GetParam().expected);
}

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

// Streamed piece by piece: a literal put before a temporary string makes GCC 12 at -O3 warn
// falsely that the copy may overlap (-Wrestrict).
void PrintTo(const IntegerCase& c, std::ostream* out) {
    if (c.text == nullptr) {
        *out << "null";
    } else {
        *out << "'" << c.text << "'";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseDecimalIntegerTest,
    testing::Values(IntegerCase{"1609459200", 1609459200}, IntegerCase{"", 0},
                    IntegerCase{"abc", 0}, IntegerCase{" \t-42", -42}, IntegerCase{"+7", 7},
                    IntegerCase{"1609459200.75", 1609459200}, IntegerCase{"16e3", 16},
                    IntegerCase{"0x1F", 0}, IntegerCase{"2147483647", kMax},
                    IntegerCase{"-2147483648", kMin},
                    // Beyond 32 bits the value saturates instead of wrapping.
                    IntegerCase{"2147483648", kMax}, IntegerCase{"-2147483649", kMin},
                    IntegerCase{"4294967296", kMax}, IntegerCase{"99999999999999999999999", kMax},
                    IntegerCase{"-99999999999999999999999", kMin}, IntegerCase{nullptr, 0}),
    NamedByPrint());

} // namespace
