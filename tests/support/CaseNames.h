#pragma once
// Parameterised cases named after their parameter as the test prints it (its PrintTo), so that a
// failing case is found again by a name that says what it holds and stays the same from build
// to build.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

// The printed text as a test name: letters and digits kept, every run of anything else one
// underscore. Where that loses something (signs, quotes, a double space) two cases could meet on
// one name, so the case's place in its list is added; a print of digits alone gains a word.
inline std::string CaseName(const std::string& printed, std::size_t index) {
    std::string name;
    bool lossless = true;
    for (const unsigned char c : printed) {
        if (std::isalnum(c) != 0) {
            name += static_cast<char>(c);
        } else {
            lossless = lossless && c == ' ' && !name.empty() && name.back() != '_';
            if (!name.empty() && name.back() != '_') {
                name += '_';
            }
        }
    }
    if (!name.empty() && name.back() == '_') {
        name.pop_back();
        lossless = false;
    }
    if (!lossless || name.empty()) {
        name += (name.empty() ? "Case" : "_Case") + std::to_string(index);
    }
    const bool digitsOnly =
        std::all_of(name.begin(), name.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
    return digitsOnly ? "Value" + name : name;
}

// The name generator of INSTANTIATE_TEST_SUITE_P for cases with a PrintTo.
struct NamedByPrint {
    template <class Case> std::string operator()(const testing::TestParamInfo<Case>& info) const {
        return CaseName(testing::PrintToString(info.param), info.index);
    }
};
