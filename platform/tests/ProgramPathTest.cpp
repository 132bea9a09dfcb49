#include "platform/ProgramPath.h"
#include "tests/support/CaseNames.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Sets or unsets an environment variable for the life of the object.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name(name) {
        if (const char* old = std::getenv(name)) {
            saved = old;
        }
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedVariable() {
        if (saved) {
            setenv(name, saved->c_str(), 1);
        } else {
            unsetenv(name);
        }
    }

private:
    const char* name;
    std::optional<std::string> saved;
};

struct PathCase {
    const char* dataHome; // null: unset
    const char* home;
    const char* expected;
};

void PrintTo(const PathCase& c, std::ostream* out) {
    *out << "XDG_DATA_HOME=" << (c.dataHome != nullptr ? c.dataHome : "(unset)");
}

class DataFilePath : public ::testing::TestWithParam<PathCase> {};

TEST_P(DataFilePath, FollowsTheUsersDataFolder) {
    const PathCase& c = GetParam();
    ScopedVariable dataHome("XDG_DATA_HOME", c.dataHome);
    ScopedVariable home("HOME", c.home);
    char path[256];
    ASSERT_TRUE(GetTrafficDataFilePath(path, sizeof path));
    EXPECT_STREQ(path, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Environments, DataFilePath,
    ::testing::Values(
        PathCase{"/srv/data", "/home/pilot", "/srv/data/Brenwick/AddOns/TrafficLog.dat"},
        PathCase{nullptr, "/home/pilot", "/home/pilot/.local/share/Brenwick/AddOns/TrafficLog.dat"},
        // The base-directory rules ignore an empty or relative XDG_DATA_HOME.
        PathCase{"", "/home/pilot", "/home/pilot/.local/share/Brenwick/AddOns/TrafficLog.dat"},
        PathCase{"data", "/home/pilot", "/home/pilot/.local/share/Brenwick/AddOns/TrafficLog.dat"}),
    NamedByPrint());

TEST(DataFilePath, WithoutHomeUsesTheAccountsHomeFolder) {
    ScopedVariable dataHome("XDG_DATA_HOME", nullptr);
    ScopedVariable home("HOME", nullptr);
    char path[4096];
    if (!GetTrafficDataFilePath(path, sizeof path)) {
        GTEST_SKIP() << "this account has no home folder";
    }
    const std::string text = path;
    EXPECT_EQ(text.front(), '/');
    EXPECT_TRUE(text.ends_with("/.local/share/Brenwick/AddOns/TrafficLog.dat")) << text;
}

TEST(DataFilePath, APathThatDoesNotFitIsRefusedWhole) {
    ScopedVariable dataHome("XDG_DATA_HOME", "/srv/data");
    char path[40] = "unchanged";
    EXPECT_FALSE(GetTrafficDataFilePath(path, sizeof path));
    EXPECT_STREQ(path, "");
    char exact[sizeof "/srv/data/Brenwick/AddOns/TrafficLog.dat"];
    EXPECT_TRUE(GetTrafficDataFilePath(exact, sizeof exact));
}

TEST(ProgramFileName, NamesThisProgramOrNothing) {
    char name[4096];
    const int length = GetProgramFileName(name, sizeof name);
    ASSERT_GT(length, 0);
    EXPECT_EQ(static_cast<std::size_t>(length), std::string(name).size());
    EXPECT_TRUE(std::string(name).ends_with("/ProgramPathTest")) << name;

    char cut[8] = "keep";
    EXPECT_EQ(GetProgramFileName(cut, sizeof cut), 0);
    EXPECT_STREQ(cut, "");
}

} // namespace
