// The feeder's frame costs, measured on the main dialog itself (with a window host that draws
// nothing, a hand-moved clock and a silent sound player):
//  - the request frame over one 7000-line entry, against merely reading the same lines with
//    the settings file's line reads (the floor any reader of this file format has to pay);
//  - the frame between requests;
//  - heap allocations of a request frame (this executable counts every operator new, see
//    AllocationCounter.h).
#include "app/AuralAlertPlayer.h"
#include "bench/AircraftLines.h"
#include "bench/AllocationCounter.h"
#include "config_control/SettingsFile.h"
#include "tests/support/DialogFakes.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kAircraftLines = kMaxEntryLines - 1; // the end tag is the 7000th line
constexpr int kEntries = 8;
constexpr std::int32_t kSilence = 10;

// A window host that draws nothing: the frame's own cost, not the fake's bookkeeping.
class QuietHost : public FakeHost {
public:
    using FakeHost::FakeHost;
    void SetControlText(int, const char*) override {}
};

class SilentPlayer : public SoundPlayer {
public:
    bool Play(std::int32_t, SoundModule, std::uint32_t) override { return true; }
    SoundModule ProgramModule() const override { return reinterpret_cast<SoundModule>(this); }
};

// An entry's aircraft lines, inViewShare of them around the feeder's seeded own-ship position.
std::string EntryLines(std::mt19937& engine, double inViewShare) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::string lines;
    for (int i = 0; i < kAircraftLines; ++i) {
        const bool inView = unit(engine) < inViewShare;
        lines += AircraftLine(engine, i, inView, {kSeedLatitude, kSeedLongitude});
    }
    return lines;
}

std::string BenchFile(double inViewShare) {
    std::mt19937 engine(7000);
    std::string text = "Benchmark recording\n####_BEGIN_####\n";
    for (int n = 0; n < kEntries; ++n) {
        text += "####_ENTRY_" + std::to_string(n) + "_####\n" + EntryLines(engine, inViewShare) +
                "####_ENTRY_END_####\n";
    }
    return text + "####_END_####\n";
}

struct Feeder {
    explicit Feeder(const std::string& content) : file(content) {
        dialog =
            std::make_unique<CTrafficFeedDlg>(host, clock, alerts, file.c_str(), mapping.c_str());
        dialog->OnInitDialog();
        dialog->GetVisualBlock()->soundRequest = kSilence;
        for (int tick = 0; tick < kStartupFrames - 1; ++tick) {
            dialog->OnTimer(kFrameTimerId);
        }
    }
    ~Feeder() { dialog->OnDestroy(); }

    // Runs request frames until one reads an entry; returns that frame's time, and its
    // allocations in `allocated`.
    double EntryRequestSeconds(std::int64_t& allocated) {
        for (;;) {
            clock.now = std::max(clock.now, dialog->GetNextRequestTime());
            const std::int32_t entry = dialog->GetReader().GetEntryNumber();
            const std::int64_t before = CurrentHeapFigures().allocations;
            const auto start = Clock::now();
            dialog->OnTimer(kFrameTimerId);
            const auto end = Clock::now();
            // The end tag sets the number back to 0; only an entry read moves it on by one.
            if (dialog->GetReader().GetEntryNumber() == entry + 1) {
                allocated = CurrentHeapFigures().allocations - before;
                return std::chrono::duration<double>(end - start).count();
            }
        }
    }

    CallLog log;
    QuietHost host{log};
    FakeClock clock;
    SilentPlayer player;
    AuralAlertPlayer alerts{player};
    TestMappingName mapping;
    TempDataFile file;
    std::unique_ptr<CTrafficFeedDlg> dialog;
};

// The floor: the same lines of the next entry read one by one into a 256-byte buffer.
double EntryReadSeconds(SettingsFileClass& file) {
    char line[kLineBufferSize];
    for (;;) {
        if (!file.ReadFromSettingsFile(line, kLineBufferSize)) {
            file.Rewind();
            continue;
        }
        if (std::strncmp(line, "####_ENTRY_", 11) != 0 ||
            std::strncmp(line, kEntryEndTag, sizeof kEntryEndTag - 1) == 0) {
            continue;
        }
        const auto start = Clock::now();
        for (int n = 0; n < kMaxEntryLines && file.ReadFromSettingsFile(line, kLineBufferSize);
             ++n) {
            benchmark::DoNotOptimize(line);
        }
        return std::chrono::duration<double>(Clock::now() - start).count();
    }
}

double Median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Both costs are taken in turns in the same run, so that the ratio compares like with like. The
// argument is the share of aircraft lines in view, in tenths of a percent: at 30 the table fills
// early in each entry and the rest of the entry costs little more than its read; at 5 it stays
// below its 49, so every line goes through the filter. in_view_max shows which case was run.
void BM_RequestFrameVsRead(benchmark::State& state) {
    Feeder feeder(BenchFile(static_cast<double>(state.range(0)) / 1000.0));
    SettingsFileClass reader(feeder.file.c_str(), SettingsFileClass::ModeReading);
    std::vector<double> frames;
    std::vector<double> reads;
    std::int64_t allocated = 0;
    std::int32_t inViewMax = 0;
    for (auto _ : state) {
        std::int64_t frameAllocations = 0;
        const double frame = feeder.EntryRequestSeconds(frameAllocations);
        inViewMax = std::max(inViewMax, feeder.dialog->GetVisualBlock()->aircraftCount);
        const double read = EntryReadSeconds(reader);
        allocated += frameAllocations;
        frames.push_back(frame);
        reads.push_back(read);
        state.SetIterationTime(frame);
    }
    const double frameMedian = Median(frames);
    const double readMedian = Median(reads);
    state.counters["frame_median_us"] = frameMedian * 1e6;
    state.counters["read_median_us"] = readMedian * 1e6;
    state.counters["frame_per_read"] = frameMedian / readMedian;
    state.counters["allocs_per_request"] =
        static_cast<double>(allocated) / static_cast<double>(frames.size());
    state.counters["in_view_max"] = inViewMax;
}
BENCHMARK(BM_RequestFrameVsRead)
    ->ArgName("in_view_permille")
    ->Arg(30)
    ->Arg(5)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// Between requests: the ending check, the alert service, one clock read, the refresh of the
// controls, and the check that the shared block is still whole.
void BM_FrameWithoutRequest(benchmark::State& state) {
    Feeder feeder(TrafficFile({}));
    feeder.dialog->OnTimer(kFrameTimerId); // the first working frame requests
    const std::int64_t before = CurrentHeapFigures().allocations;
    for (auto _ : state) {
        feeder.dialog->OnTimer(kFrameTimerId);
    }
    state.counters["allocs_per_frame"] =
        benchmark::Counter(static_cast<double>(CurrentHeapFigures().allocations - before),
                           benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FrameWithoutRequest)->Unit(benchmark::kNanosecond);

} // namespace
