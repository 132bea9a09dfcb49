#include "tools/trafficlog/console/ProgressBar.h"
#include "tests/support/CaseNames.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {
struct BarCase {
    long long done;
    long long total;
    int width;
    const char* expected;
};

void PrintTo(const BarCase& c, std::ostream* out) {
    *out << c.done << " of " << c.total << " in " << c.width;
}

class ProgressBarTest : public testing::TestWithParam<BarCase> {};

TEST_P(ProgressBarTest, ShowsShareDone) {
    const BarCase& c = GetParam();
    char text[200];
    FormatProgressBar(text, sizeof text, c.done, c.total, c.width);
    EXPECT_STREQ(text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgressBarTest,
    testing::Values(BarCase{0, 1048576, 4, "[----]   0%  0.0 of 1.0 MB"},
                    BarCase{524288, 1048576, 4, "[##--]  50%  0.5 of 1.0 MB"},
                    BarCase{1048576, 1048576, 4, "[####] 100%  1.0 of 1.0 MB"},
                    // More read than the size said (a growing file) stays at full.
                    BarCase{2097152, 1048576, 2, "[##] 100%  2.0 of 1.0 MB"},
                    // No size known (a pipe): only the amount.
                    BarCase{3145728, 0, 4, "3.0 MB"}),
    NamedByPrint());

TEST(ProgressBar, NeverOverrunsTheOutput) {
    char text[8];
    FormatProgressBar(text, sizeof text, 1, 2, 100);
    EXPECT_EQ(std::string(text).size(), 7u);
}
} // namespace
