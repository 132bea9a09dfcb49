// A failing case must be found again by its name: every parameterised test of this program is
// named, and says its parameter, in words that stay the same from build to build.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace {
TEST(TestNames, ParameterisedTestsHaveReadableStableNames) {
    const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
    int parameterised = 0;
    for (int s = 0; s < unit.total_test_suite_count(); ++s) {
        const testing::TestSuite& suite = *unit.GetTestSuite(s);
        for (int t = 0; t < suite.total_test_count(); ++t) {
            const testing::TestInfo& test = *suite.GetTestInfo(t);
            if (test.value_param() == nullptr) {
                continue;
            }
            ++parameterised;
            const std::string name = test.name();
            const std::string last = name.substr(name.rfind('/') + 1);
            EXPECT_FALSE(std::all_of(last.begin(), last.end(),
                                     [](unsigned char c) { return std::isdigit(c) != 0; }))
                << suite.name() << "." << name;
            const std::string parameter = test.value_param();
            EXPECT_EQ(parameter.find("-byte object"), std::string::npos) << parameter;
            EXPECT_EQ(parameter.find("0x"), std::string::npos) << parameter;
        }
    }
    EXPECT_GT(parameterised, 0);
}
} // namespace
