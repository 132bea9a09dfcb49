// What the bridge's airports cost at start: reading FlightGear's apt.dat.gz into the index
// against inflating the same file alone (the floor: every byte must be inflated), and a start
// from the index kept in the cache folder. CPU time of this process, one iteration a read.

#include "tools/fg/scenery/AirportData.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <vector>
#include <zlib.h>

namespace {

const std::string kFgRoot = "/usr/share/games/flightgear";

double CpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Inflates the file into a buffer and drops it, as gzip -dc > /dev/null does.
void InflateOnly(const std::string& path) {
    gzFile file = gzopen(path.c_str(), "rb");
    std::vector<char> buffer(256 * 1024);
    gzbuffer(file, 256 * 1024);
    while (gzread(file, buffer.data(), static_cast<unsigned>(buffer.size())) > 0) {
    }
    gzclose(file);
}

void BM_AirportsFirstBuildVsInflate(benchmark::State& state) {
    const std::string aptDat = kFgRoot + "/Airports/apt.dat.gz";
    std::vector<double> builds;
    std::vector<double> inflates;
    std::vector<double> ratios;
    std::size_t bytes = 0;
    for (auto _ : state) {
        double start = CpuSeconds();
        InflateOnly(aptDat);
        const double inflate = CpuSeconds() - start;
        start = CpuSeconds();
        AirportIndex index;
        AptDatCounts counts;
        std::string error;
        if (!ReadAptDat(aptDat, index, counts, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        const double build = CpuSeconds() - start;
        builds.push_back(build);
        inflates.push_back(inflate);
        ratios.push_back(build / inflate);
        bytes = index.AirportCount() * sizeof(Airport) + index.RunwayCount() * sizeof(Runway) +
                index.AirportCount() * sizeof(std::int32_t);
    }
    state.counters["build_cpu_s"] = Median(builds);
    state.counters["inflate_cpu_s"] = Median(inflates);
    state.counters["build_per_inflate"] = Median(ratios);
    state.counters["index_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_AirportsFirstBuildVsInflate)->Unit(benchmark::kMillisecond)->Iterations(5);

// A start whose index is kept: the cache file restored, the scenery's thresholds applied.
void BM_AirportsWarmStart(benchmark::State& state) {
    const std::string cache =
        (std::filesystem::temp_directory_path() / "corvane-airports-bench").string();
    AirportData first;
    std::string error;
    if (!LoadAirports(kFgRoot, cache, first, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    for (auto _ : state) {
        AirportData data;
        LoadAirports(kFgRoot, cache, data, error);
        if (!data.fromCache) {
            state.SkipWithError("the kept index was not used");
            break;
        }
        benchmark::DoNotOptimize(data.index.AirportCount());
    }
    std::error_code ignored;
    std::filesystem::remove_all(cache, ignored);
}
BENCHMARK(BM_AirportsWarmStart)->Unit(benchmark::kMillisecond);

} // namespace
