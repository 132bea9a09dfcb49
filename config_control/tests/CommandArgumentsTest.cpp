#include "config_control/CommandArguments.h"
#include "tests/support/CaseNames.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace {
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();

struct WholeCase {
    const char* text;
    std::int64_t lo, hi;
    bool ok;
    std::int64_t value; // when ok
};

void PrintTo(const WholeCase& c, std::ostream* out) {
    *out << "'" << c.text << "' in " << c.lo << " to " << c.hi;
}

class WholeNumbers : public testing::TestWithParam<WholeCase> {};

// Nothing saturates or wraps: a value is taken whole and within its range, or refused.
TEST_P(WholeNumbers, AreTakenOnlyWholeAndInRange) {
    const char* argv[] = {"--n", GetParam().text};
    CommandArguments args(2, argv, 0);
    ASSERT_TRUE(args.Next());
    std::int64_t value = -7;
    EXPECT_EQ(args.WholeNumber(GetParam().lo, GetParam().hi, value), GetParam().ok)
        << args.FullErrorText();
    EXPECT_EQ(value, GetParam().ok ? GetParam().value : -7);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WholeNumbers,
    testing::Values(WholeCase{"42", 0, 100, true, 42}, WholeCase{"+42", 0, 100, true, 42},
                    WholeCase{"-0", 0, 100, true, 0}, WholeCase{"101", 0, 100, false, 0},
                    WholeCase{"-1", 0, 100, false, 0},
                    WholeCase{"9223372036854775807", kMin, kMax, true, kMax},
                    WholeCase{"-9223372036854775808", kMin, kMax, true, kMin},
                    WholeCase{"9223372036854775808", kMin, kMax, false, 0},
                    WholeCase{"-9223372036854775809", kMin, kMax, false, 0},
                    WholeCase{"184467440737095516160", kMin, kMax, false, 0},
                    WholeCase{" 42", 0, 100, false, 0}, WholeCase{"42 ", 0, 100, false, 0},
                    WholeCase{"0x2A", 0, 100, false, 0}, WholeCase{"4e1", 0, 100, false, 0},
                    WholeCase{"", 0, 100, false, 0}),
    NamedByPrint());

TEST(CommandArguments, TakeValuesAfterAnEqualsSignOrAsTheNextArgument) {
    const char* argv[] = {"--a=1", "--b", "2", "--c", "--d"};
    CommandArguments args(5, argv, 0);
    std::int64_t a = 0, b = 0;
    const char* c = nullptr;
    ASSERT_TRUE(args.Next() && args.Is("--a") && !args.Is("--"));
    EXPECT_TRUE(args.WholeNumber(0, 9, a));
    ASSERT_TRUE(args.Next() && args.Is("--b"));
    EXPECT_TRUE(args.WholeNumber(0, 9, b));
    // An option's value may itself look like an option.
    ASSERT_TRUE(args.Next() && args.Is("--c"));
    EXPECT_TRUE(args.Text(c));
    EXPECT_EQ(std::string(c), "--d");
    EXPECT_FALSE(args.Next());
    EXPECT_EQ(a + b, 3);
}

TEST(CommandArguments, HelpAndVersionEndTheWalkButNotAsValuesOrOperands) {
    const char* argv[] = {"--out", "--help", "--", "--version", "-h"};
    CommandArguments args(5, argv, 0);
    const char* out = nullptr;
    ASSERT_TRUE(args.Next());
    EXPECT_TRUE(args.Text(out));
    EXPECT_EQ(std::string(out), "--help");
    ASSERT_TRUE(args.Next());
    EXPECT_FALSE(args.IsOption()); // after "--"
    EXPECT_EQ(std::string(args.Current()), "--version");
    ASSERT_TRUE(args.Next());
    EXPECT_FALSE(args.Next());
    EXPECT_EQ(args.Request(), ArgumentRequest::None);

    const char* asked[] = {"FILE", "-h", "--bogus"};
    CommandArguments help(3, asked, 0);
    ASSERT_TRUE(help.Next());
    EXPECT_FALSE(help.Next());
    EXPECT_EQ(help.Request(), ArgumentRequest::Help);
}

// Each program words its refusals in its own patterns; the reader fills in the parts, the
// arguments and values masked, and leaves a brace it does not know as it is.
TEST(CommandArguments, RefusalsAreWordedInTheProgramsPatterns) {
    const ArgumentWording wording = {
        .unknownOption = "no {argument} {here}",
        .unexpectedArgument = "stray {argument}",
        .missingValue = "<{option}> wants {needs}",
        .badValue = "{option}: {value} ({problem}; {needs})",
    };
    struct Case {
        std::vector<const char*> argv;
        const char* text;
    };
    for (const Case& c : {
             Case{{"--b\x1b[2J=1"}, "no --b?[2J=1 {here}"},
             Case{{"operand"}, "stray operand"},
             // Patterns not given are the defaults.
             Case{{"--flag=yes"}, "--flag takes no value"},
             Case{{"--n="}, "--n needs a whole number"},
             Case{{"--n"}, "<--n> wants a whole number"},
             Case{{"--n", "x\x7fy"}, "--n: x?y (is not a whole number; a whole number)"},
         }) {
        CommandArguments args(static_cast<int>(c.argv.size()), c.argv.data(), 0, wording);
        ASSERT_TRUE(args.Next());
        const char* value = nullptr;
        std::int64_t number = 0;
        if (args.Is("--flag")) {
            EXPECT_FALSE(args.Flag());
        } else if (args.Is("--n")) {
            EXPECT_FALSE(args.Text(value, "a whole number") &&
                         ReadWholeNumber(value, 0, 9, number) == WholeNumberReading::Read);
            if (value != nullptr) {
                args.RefuseValue("is not a whole number");
            }
        } else {
            EXPECT_FALSE(args.RefuseUnknown());
        }
        EXPECT_EQ(args.FullErrorText(), c.text) << c.argv[0];
    }
}

// A value cut to what the program holds would name something else: the longest value is taken
// whole, one character more is refused, and the text shown of a very long value is cut.
TEST(CommandArguments, TextsLongerThanTheProgramHoldsAreRefusedNotCut) {
    const std::string longest(300, 'a');
    const std::string longer = longest + "b";
    const char* argv[] = {"--path", longest.c_str(), "--path", longer.c_str()};
    CommandArguments args(4, argv, 0);
    const char* value = nullptr;
    ASSERT_TRUE(args.Next());
    EXPECT_TRUE(args.Text(value, "a path", 300));
    EXPECT_EQ(value, longest.c_str());
    ASSERT_TRUE(args.Next());
    EXPECT_FALSE(args.Text(value, "a path", 300));
    EXPECT_EQ(value, longest.c_str());
    EXPECT_EQ(args.FullErrorText(),
              "--path '" + std::string(200, 'a') + "' is longer than 300 characters");
}

TEST(CommandArguments, FindsTheOptionOfATableByItsName) {
    struct Entry {
        const char* name;
        int number;
    };
    constexpr Entry kTable[] = {{"--data", 1}, {"--name", 2}};
    const char* argv[] = {"--name=x", "--datafile", "data", "--", "--data"};
    CommandArguments args(5, argv, 0);
    ASSERT_TRUE(args.Next());
    ASSERT_NE(args.Among(kTable), nullptr);
    EXPECT_EQ(args.Among(kTable)->number, 2);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(args.Next());
        EXPECT_EQ(args.Among(kTable), nullptr) << args.Current();
    }
}

// A number beyond 64 bits is out of range, never a wrapped or saturated number in range; only a
// text that is no number is "not a number".
TEST(ReadWholeNumber, TellsAnOutOfRangeNumberFromNoNumber) {
    std::int64_t value = 7;
    EXPECT_EQ(ReadWholeNumber("65535", 1, 65535, value), WholeNumberReading::Read);
    EXPECT_EQ(value, 65535);
    for (const char* outside :
         {"0", "65536", "-1", "18446744073709551617", "99999999999999999999"}) {
        value = 7;
        EXPECT_EQ(ReadWholeNumber(outside, 1, 65535, value), WholeNumberReading::OutOfRange)
            << outside;
        EXPECT_EQ(value, 7) << outside;
    }
    for (const char* none : {"", "-", "+", "5002x", "0x13", "5 ", "1e3", "localhost"}) {
        EXPECT_EQ(ReadWholeNumber(none, 1, 65535, value), WholeNumberReading::NotANumber) << none;
    }
}

TEST(UsageErrorText, NamesTheProblemAndWhereTheHelpIs) {
    EXPECT_EQ(UsageErrorText("corvane-sim", "unknown option '--x'"),
              "corvane-sim: unknown option '--x'\nTry 'corvane-sim --help'.\n");
}

// Every manual page is made from a --help that carries these words: they must fit a terminal.
TEST(ValueRulesHelp, FitsAnEightyColumnTerminal) {
    const std::string help = kValueRulesHelp;
    ASSERT_EQ(help.back(), '\n');
    for (std::size_t at = 0, end = 0; at < help.size(); at = end + 1) {
        end = help.find('\n', at);
        EXPECT_LT(end - at, 80u) << help.substr(at, end - at);
    }
}

} // namespace
