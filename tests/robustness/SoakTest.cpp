// Twenty-four hours of frames (864000 ticks of 100 ms on the test clock) over a small data file
// that loops, with a simulator that moves the own-ship, starts and stops, and asks for alerts.
// Memory and texts stay bounded, and the counters are exact. This executable counts every
// allocation of the process through its own global operator new.
#include "bench/AllocationCounter.h"
#include "tests/robustness/FaultRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::int64_t kTicksPerHour = 36000;
constexpr std::int64_t kHours = 24;
constexpr int kEntries = 3;

// The reader's results over a run, request by request, for a file of `entries` entries: the
// header and the begin tag give nothing, then every pass publishes its entries, the end tag and
// the header read again, and gives nothing at the begin tag.
std::int64_t ExpectedPublications(std::int64_t requests, int entries) {
    const std::int64_t afterStart = std::max<std::int64_t>(0, requests - 2);
    const std::int64_t pass = entries + 3;
    return afterStart / pass * (pass - 1) + std::min(afterStart % pass, pass - 1);
}

// The simulator of the soak: the own-ship circles the recorded traffic once an hour, the
// simulation stops for a minute every hour, and an alert stands for a few seconds now and then.
void MoveSimulator(VisualInterfaceBlock& block, std::int64_t tick) {
    const double angle = 6.283185307179586 * static_cast<double>(tick % kTicksPerHour) /
                         static_cast<double>(kTicksPerHour);
    block.ownLatitude = 50.4 + 0.5 * std::sin(angle);
    block.ownLongitude = 0.02 + 0.5 * std::cos(angle);
    block.simulationState = tick % kTicksPerHour < 600 ? kSimulationNotRunning : 1;
    block.soundRequest = tick % 3000 < 40 ? static_cast<std::int32_t>(tick / 3000 % 7) : 10;
}

struct Extremes {
    std::size_t message = 0;
    std::size_t status = 0;
    std::size_t aux = 0;
    std::size_t inView = 0;
};

void Widen(Extremes& extremes, const CTrafficFeedDlg& dialog) {
    extremes.message = std::max(extremes.message, dialog.GetMessageText().size());
    extremes.status = std::max(extremes.status, dialog.GetStatusText().size());
    extremes.aux = std::max(extremes.aux, dialog.GetAuxText().size());
    extremes.inView = std::max(extremes.inView, dialog.GetInViewListText().size());
}

TEST(Soak, TwentyFourHoursOfFramesStayBoundedAndCountExactly) {
    FaultRig rig(SampleFile("E", kEntries, 20));
    ASSERT_TRUE(rig.Start());
    VisualInterfaceBlock& block = rig.Block();
    const std::int32_t firstCounter = block.publishCounter;
    std::int64_t requests = 0;
    std::int64_t counterSteps = 0;
    std::int64_t strayCounterSteps = 0;
    Extremes extremes;
    HeapFigures afterFirstHour{};

    for (std::int64_t tick = 0; tick < kHours * kTicksPerHour; ++tick) {
        MoveSimulator(block, tick);
        const std::int64_t due = rig.dialog->GetNextRequestTime();
        const std::int32_t counter = block.publishCounter;
        rig.Tick();
        const bool requested = rig.dialog->GetNextRequestTime() != due;
        const std::int32_t steps = block.publishCounter - counter;
        requests += requested ? 1 : 0;
        counterSteps += steps;
        strayCounterSteps += (steps != 0 && !requested) || steps > 1 ? 1 : 0;
        Widen(extremes, *rig.dialog);
        if (tick + 1 == kTicksPerHour) {
            afterFirstHour = CurrentHeapFigures();
        }
    }
    const HeapFigures atEnd = CurrentHeapFigures();

    EXPECT_EQ(rig.dialog->GetFrameCount(), kHours * kTicksPerHour);
    EXPECT_TRUE(rig.dialog->IsRunActive());
    EXPECT_TRUE(rig.host.endResults.empty());
    // A request at the first working frame, then one every hundred ticks.
    EXPECT_EQ(requests, 1 + kHours * kTicksPerHour / 100);
    EXPECT_EQ(counterSteps, ExpectedPublications(requests, kEntries));
    EXPECT_EQ(block.publishCounter - firstCounter, counterSteps);
    EXPECT_EQ(strayCounterSteps, 0);
    EXPECT_EQ(CheckFeederFields(block), "");

    EXPECT_LE(extremes.message, 255u);
    EXPECT_LE(extremes.status, 511u + std::strlen(" :: Awaiting Simulation"));
    EXPECT_EQ(extremes.aux, 0u);
    EXPECT_LE(extremes.inView, static_cast<std::size_t>(kMaxInViewAircraft) * 9);
    // After the first hour every text has had its longest value: no growth at all. The fakes
    // keep only the last text of each control, and nothing of the feeder's grows with time.
    EXPECT_EQ(atEnd.liveBytes, afterFirstHour.liveBytes);
    const double perHour = static_cast<double>(atEnd.allocations - afterFirstHour.allocations) /
                           static_cast<double>(kHours - 1);
    RecordProperty("allocations_per_hour", std::to_string(perHour));
    RecordProperty("live_bytes", std::to_string(atEnd.liveBytes));
    std::printf("allocations per hour after the first: %.1f; live heap bytes: %lld\n", perHour,
                static_cast<long long>(atEnd.liveBytes));
}

} // namespace
