#include "config_control/CommandArguments.h"
#include "tests/support/CaseNames.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>
#include <string>

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

} // namespace
