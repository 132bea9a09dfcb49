// The names of parameterised cases are what a failure is looked up and rerun by (ctest takes
// them from the printed parameter): they must read as words and stay the same from build to
// build, never raw bytes or pointer values.
#include <gtest/gtest.h>

#include <string>

namespace {
TEST(TestNames, ParametersPrintReadably) {
    const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
    for (int suite = 0; suite < unit.total_test_suite_count(); ++suite) {
        const testing::TestSuite& tests = *unit.GetTestSuite(suite);
        for (int test = 0; test < tests.total_test_count(); ++test) {
            const testing::TestInfo& info = *tests.GetTestInfo(test);
            const std::string parameter = info.value_param() ? info.value_param() : "";
            EXPECT_EQ(parameter.find("-byte object <"), std::string::npos)
                << info.test_suite_name() << "." << info.name();
            EXPECT_EQ(parameter.find(" pointing to "), std::string::npos)
                << info.test_suite_name() << "." << info.name();
        }
    }
}
} // namespace
