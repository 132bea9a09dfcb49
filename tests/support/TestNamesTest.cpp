// The names of parameterised cases are what a failure is looked up and rerun by (ctest takes
// them from the printed parameter): they must read as words and stay the same from build to
// build, never a bare index, raw bytes or pointer values. Linked into every test executable.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace {
TEST(TestNames, ParameterisedTestsHaveReadableStableNames) {
    const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
    for (int s = 0; s < unit.total_test_suite_count(); ++s) {
        const testing::TestSuite& suite = *unit.GetTestSuite(s);
        for (int t = 0; t < suite.total_test_count(); ++t) {
            const testing::TestInfo& test = *suite.GetTestInfo(t);
            if (test.value_param() == nullptr) {
                continue;
            }
            const std::string name = std::string(suite.name()) + "." + test.name();
            const std::string last = name.substr(name.rfind('/') + 1);
            EXPECT_FALSE(std::all_of(last.begin(), last.end(),
                                     [](unsigned char c) { return std::isdigit(c) != 0; }))
                << name << " is named by its index";
            const std::string parameter = test.value_param();
            EXPECT_EQ(parameter.find("-byte object"), std::string::npos) << name << parameter;
            EXPECT_EQ(parameter.find(" pointing to "), std::string::npos) << name << parameter;
            EXPECT_EQ(parameter.find("0x"), std::string::npos) << name << parameter;
        }
    }
}
} // namespace
