// Cost of filtering one entry of the traffic data file: one realistic 7000-line entry, a few
// percent of it inside the view box, each line copied into a line buffer as the reader does and
// handed to ParseTrafficLine.

#include "bench/AircraftLines.h"
#include "traffic/DataSetReader.h"
#include "traffic/DecimalText.h"
#include "traffic/TrafficAnalyser.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kEntryLines = kMaxEntryLines;
constexpr double kInViewShare = 0.03;
// Where a fresh analyser places the own-ship before any position is set.
constexpr GeoPosition kAnalyserOwnShip{50.0, 0.0};

std::vector<std::string> MakeEntry() {
    std::mt19937 engine(7000);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<std::string> lines;
    for (int i = 0; i < kEntryLines; ++i) {
        const bool inView = unit(engine) < kInViewShare;
        lines.push_back(AircraftLine(engine, i, inView, kAnalyserOwnShip));
    }
    return lines;
}

void BM_ParseTrafficLineEntry(benchmark::State& state) {
    const std::vector<std::string> entry = MakeEntry();
    std::size_t characters = 0;
    for (const std::string& line : entry) {
        characters += line.size();
    }
    TrafficAnalyser analyser;
    AircraftRecord records[150];
    char lineBuffer[kLineBufferSize];
    std::int32_t inView = 0;
    for (auto _ : state) {
        analyser.ClearAircraft();
        for (const std::string& line : entry) {
            std::memcpy(lineBuffer, line.c_str(), line.size() + 1);
            analyser.ParseTrafficLine(lineBuffer);
        }
        inView = analyser.GetAircraftInView(150, records);
        benchmark::DoNotOptimize(records);
    }
    // Shown as seconds per line ("35n" is 35 ns).
    state.counters["time_per_line"] = benchmark::Counter(
        kEntryLines, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["chars_per_line"] = static_cast<double>(characters) / kEntryLines;
    state.counters["in_view"] = inView;
}
BENCHMARK(BM_ParseTrafficLineEntry)->Unit(benchmark::kMicrosecond);

std::vector<std::string> PositionFields() {
    std::vector<std::string> fields;
    for (std::string& line : MakeEntry()) {
        std::vector<char> text(line.begin(), line.end());
        text.push_back('\0');
        char* fieldStart = text.data();
        for (int field = 0; field < 3; ++field) {
            fieldStart = std::strchr(fieldStart, '|') + 1;
        }
        const char* fieldEnd = std::strchr(std::strchr(fieldStart, '|') + 1, '|');
        const std::string pair(static_cast<const char*>(fieldStart), fieldEnd);
        const std::size_t bar = pair.find('|');
        fields.push_back(pair.substr(0, bar));
        fields.push_back(pair.substr(bar + 1));
    }
    return fields;
}

void BM_ParseDecimal(benchmark::State& state) {
    const std::vector<std::string> fields = PositionFields();
    for (auto _ : state) {
        for (const std::string& field : fields) {
            benchmark::DoNotOptimize(ParseDecimal(field.c_str()));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(fields.size()));
}
BENCHMARK(BM_ParseDecimal)->Unit(benchmark::kMicrosecond);

void BM_Strtod(benchmark::State& state) {
    const std::vector<std::string> fields = PositionFields();
    for (auto _ : state) {
        for (const std::string& field : fields) {
            benchmark::DoNotOptimize(std::strtod(field.c_str(), nullptr));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(fields.size()));
}
BENCHMARK(BM_Strtod)->Unit(benchmark::kMicrosecond);

} // namespace
