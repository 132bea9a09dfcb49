// The names of parameterised cases are what a failure is looked up and rerun by (ctest takes
// them from the printed parameter): they must read as words and stay the same from build to
// build, never a bare index, raw bytes or pointer values. Linked into every test executable.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace {
// The digits of a hexadecimal number that starts at `at`.
std::size_t HexDigitsAt(const std::string& text, std::size_t at) {
    std::size_t end = at;
    while (end < text.size() && std::isxdigit(static_cast<unsigned char>(text[end])) != 0) {
        ++end;
    }
    return end - at;
}

// A pointer's value as GoogleTest prints it ("0x55d0c8a02f10"), outside the quotes of a printed
// text: a field that holds "0x4CA2B5" as data is no pointer.
bool HoldsPointerValue(const std::string& parameter) {
    char quote = 0;
    for (std::size_t i = 0; i + 1 < parameter.size(); ++i) {
        const char c = parameter[i];
        if (quote != 0) {
            i += c == '\\' ? 1 : 0;
            quote = c == quote ? 0 : quote;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '0' && parameter[i + 1] == 'x' && HexDigitsAt(parameter, i + 2) >= 8 &&
                   (i == 0 || std::isalnum(static_cast<unsigned char>(parameter[i - 1])) == 0)) {
            return true;
        }
    }
    return false;
}

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
            EXPECT_FALSE(HoldsPointerValue(parameter)) << name << parameter;
        }
    }
}
} // namespace
