#pragma once
// Data files for the live reading tests: a folder of the test's own, recordings written and
// grown in it as a recorder writes them.

#include "platform/Clock.h"
#include "tests/support/UniqueName.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class LiveFolder {
public:
    LiveFolder() : folder(std::filesystem::temp_directory_path() / UniqueName("corvane_live")) {
        std::filesystem::create_directories(folder);
    }
    ~LiveFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    LiveFolder(const LiveFolder&) = delete;
    LiveFolder& operator=(const LiveFolder&) = delete;

    std::string Path(const std::string& name) const { return (folder / name).string(); }
    std::string Write(const std::string& name, const std::string& content) const {
        std::ofstream(Path(name), std::ios::binary) << content;
        return Path(name);
    }
    static void Append(const std::string& path, const std::string& content) {
        std::ofstream(path, std::ios::binary | std::ios::app) << content;
    }

private:
    std::filesystem::path folder;
};

// The clocks a live request reads, set by the test.
class LiveClock : public Clock {
public:
    std::int64_t NowSeconds() override { return calendar; }
    std::int64_t MonotonicSeconds() override { return monotonic; }
    void SleepMilliseconds(std::int32_t) override {}

    std::int64_t calendar = 0;
    std::int64_t monotonic = 0;
};

inline std::string LiveHeader(const std::string& title = "Recorded from the BaseStation feed") {
    return title + "\n####_BEGIN_####\n";
}

inline std::string LiveAircraft(const std::string& callsign, long long time, double latitude = 50.5,
                                double longitude = 0.1) {
    return callsign + "|4CA2B5|" + std::to_string(time) + "|" + std::to_string(latitude) + "|" +
           std::to_string(longitude) + "|3000|3100|90|250|0\n";
}

inline std::string EntryText(int number, const std::vector<std::string>& lines) {
    std::string text = "####_ENTRY_" + std::to_string(number) + "_####\n";
    for (const std::string& line : lines) {
        text += line;
    }
    return text + "####_ENTRY_END_####\n";
}

inline std::string LiveLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
    }
    return text;
}
