#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

// A directory of its own for each test, removed at the test's end.
class TempDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info->name();
        std::replace(name.begin(), name.end(), '/', '_');
        std::random_device random;
        directory = std::filesystem::temp_directory_path() /
                    ("corvane_" + name + "_" + std::to_string(random()));
        std::filesystem::create_directories(directory);
    }

    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }

    std::string PathOf(const std::string& name) const { return (directory / name).string(); }

    // Exact bytes, whatever the platform's line end.
    std::string WriteBinary(const std::string& name, const std::string& bytes) const {
        std::ofstream(directory / name, std::ios::binary) << bytes;
        return PathOf(name);
    }

    // Content as a text-mode reader of this platform sees it.
    std::string ReadText(const std::string& name) const {
        std::ifstream stream(directory / name);
        return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path directory;
};
