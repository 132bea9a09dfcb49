// Live reading on a day-long recording (8640 entries, one per 10 s): the cost of a request that
// finds one new entry appended since the last one, and of the first request, which searches
// back from the end; against reading the file whole once, which a reader without a memory of
// where it stopped would pay at every request.
#include "bench/AircraftLines.h"
#include "platform/RegularFile.h"
#include "tests/support/UniqueName.h"
#include "traffic/LiveEntryReader.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kDayEntries = 8640;
constexpr int kAircraftPerEntry = 250;
// An hour before the recording's position times: these lie too far ahead to be used, so that
// every entry appended is published as it comes, though all hold the same times.
constexpr std::int64_t kCalendar = 1'609'459'200 - 3600;
constexpr GeoPosition kOwnShip = {50.45, 0.01};

// The calendar stands; the monotonic clock counts the requests.
class RequestClock final : public Clock {
public:
    std::int64_t NowSeconds() override { return kCalendar; }
    std::int64_t MonotonicSeconds() override { return monotonic; }
    void SleepMilliseconds(std::int32_t) override {}
    std::int64_t monotonic = 0;
};

struct LiveFeeder {
    explicit LiveFeeder(const std::string& path) {
        analyser.SetOwnShipPosition(kOwnShip.latitude, kOwnShip.longitude);
        live.Start(path.c_str());
    }
    LiveOutcome Request(std::int64_t monotonic) {
        clock.monotonic = monotonic;
        return live.Request(clock);
    }
    TrafficAnalyser analyser;
    DataSetReader reader{analyser};
    LiveEntryReader live{reader};
    RequestClock clock;
};

std::string Entry(int number, const std::string& lines) {
    return "####_ENTRY_" + std::to_string(number) + "_####\n" + lines + "####_ENTRY_END_####\n";
}

// One recording for every benchmark of the run, removed at the end.
class DayFile {
public:
    DayFile()
        : path((std::filesystem::temp_directory_path() / UniqueName("corvane_day")).string()) {
        std::mt19937 engine(8640);
        for (int i = 0; i < kAircraftPerEntry; ++i) {
            lines += AircraftLine(engine, i, i % 5 == 0, kOwnShip);
        }
        std::ofstream out(path, std::ios::binary);
        out << "A day of recording\n####_BEGIN_####\n";
        for (; entries < kDayEntries; ++entries) {
            out << Entry(entries, lines);
        }
    }
    ~DayFile() { std::filesystem::remove(path); }

    void AppendEntry() {
        std::ofstream(path, std::ios::binary | std::ios::app) << Entry(entries++, lines);
    }

    std::string path;
    std::string lines;
    int entries = 0;
};

DayFile& TheDayFile() {
    static DayFile file;
    return file;
}

void BM_LiveRequestOneNewEntry(benchmark::State& state) {
    DayFile& day = TheDayFile();
    LiveFeeder feeder(day.path);
    feeder.Request(0);
    std::int64_t second = 0;
    for (auto _ : state) {
        state.PauseTiming();
        day.AppendEntry();
        state.ResumeTiming();
        if (feeder.Request(++second).step != LiveStep::NewEntry) {
            state.SkipWithError("no new entry found");
            break;
        }
    }
    state.counters["file_MB"] =
        static_cast<double>(std::filesystem::file_size(day.path)) / (1024.0 * 1024.0);
}
// A few hundred requests: the file stays about a day long.
BENCHMARK(BM_LiveRequestOneNewEntry)->Iterations(500)->Unit(benchmark::kMicrosecond);

void BM_LiveRequestNothingNew(benchmark::State& state) {
    LiveFeeder feeder(TheDayFile().path);
    feeder.Request(0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(feeder.Request(1));
    }
}
BENCHMARK(BM_LiveRequestNothingNew)->Unit(benchmark::kMicrosecond);

// The first request of a run: the newest entry found by searching back from the end.
void BM_LiveFirstRequest(benchmark::State& state) {
    const std::string& path = TheDayFile().path;
    for (auto _ : state) {
        LiveFeeder feeder(path);
        benchmark::DoNotOptimize(feeder.Request(0));
    }
}
BENCHMARK(BM_LiveFirstRequest)->Unit(benchmark::kMicrosecond);

// The floor of reading the file whole: its bytes and a search for each line's end, nothing more.
void BM_ReadDayFileWhole(benchmark::State& state) {
    const std::string& path = TheDayFile().path;
    std::vector<char> buffer(1024 * 1024);
    std::uint64_t total = 0;
    for (auto _ : state) {
        SharedReadFile file;
        int error = 0;
        file.Open(path.c_str(), error);
        std::uint64_t lines = 0;
        total = 0;
        for (std::int64_t got = 0;
             (got = file.ReadAt(total, buffer.data(), buffer.size(), error)) > 0;
             total += static_cast<std::uint64_t>(got)) {
            for (const char* at = buffer.data();
                 (at = static_cast<const char*>(std::memchr(
                      at, '\n', static_cast<std::size_t>(buffer.data() + got - at)))) != nullptr;
                 ++at) {
                ++lines;
            }
        }
        benchmark::DoNotOptimize(lines);
    }
    state.counters["file_MB"] = static_cast<double>(total) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ReadDayFileWhole)->Unit(benchmark::kMillisecond);

} // namespace
