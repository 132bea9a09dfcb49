// The frame cycle: warm-up, request cadence, diagnostic slots, status line and the ending count.
#include "tests/support/DialogFakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>

namespace {

constexpr char kFailedRequest[] = "Failed geting historic data";

// Ticks of 100 ms on a calendar clock of whole seconds that starts at `start`.
struct TimedRig : DialogRig {
    explicit TimedRig(std::int64_t start, const std::string& content = TrafficFile({}))
        : DialogRig(content), start(start) {
        clock.now = start;
    }

    // Runs n frames; returns the frames that made a request (slot 6 names the frame).
    std::vector<int> Run(int n) {
        std::vector<int> requests;
        for (int i = 0; i < n; ++i) {
            elapsedMs += 100;
            clock.now = start + elapsedMs / 1000;
            const std::string before = Slot(6);
            dialog->OnTimer(kFrameTimerId);
            if (Slot(6) != before) {
                requests.push_back(dialog->GetFrameCount());
            }
        }
        return requests;
    }

    std::int64_t start;
    std::int64_t elapsedMs = 0;
};

TEST(FrameCycle, WarmUpFramesOnlyCountThenFrameFiveRequestsAtOnce) {
    DialogRig rig;
    ASSERT_TRUE(rig.Start());
    const int refreshes = rig.host.refreshes;
    rig.Frames(4, 100);
    EXPECT_EQ(rig.dialog->GetFrameCount(), 4);
    EXPECT_EQ(rig.alerts.serviced, 0);
    EXPECT_EQ(rig.host.refreshes, refreshes);
    EXPECT_EQ(rig.Slot(6), "");

    rig.Frames(1);
    EXPECT_EQ(rig.Slot(6), "Next Request Time at Frame 5");
    EXPECT_EQ(rig.Slot(1),
              "Top Lat = 51.050000 Bot Lat = 49.850000 Left =-0.590000 Right = 0.610000");
    EXPECT_EQ(rig.alerts.serviced, 1);
    EXPECT_EQ(rig.host.refreshes, refreshes + 1);
    EXPECT_EQ(rig.dialog->GetNextRequestTime(), rig.clock.now + 10);
}

TEST(FrameCycle, AnyTimerIdIsAFrame) {
    DialogRig rig;
    rig.dialog->OnTimer(1);
    rig.dialog->OnTimer(0);
    rig.dialog->OnTimer(kFrameTimerId);
    EXPECT_EQ(rig.dialog->GetFrameCount(), 3);
}

TEST(FrameCycle, RequestsComeEveryTenCalendarSeconds) {
    struct Case {
        const char* name;
        std::int64_t start;
    };
    // The second case starts five seconds before the 32-bit calendar clock runs out.
    const Case cases[] = {{"2023", 1'700'000'000}, {"January 2038", 2'147'483'642}};
    for (const Case& c : cases) {
        TimedRig rig(c.start);
        ASSERT_TRUE(rig.Start());
        EXPECT_EQ(rig.Run(650), (std::vector<int>{5, 100, 200, 300, 400, 500, 600})) << c.name;
        EXPECT_EQ(rig.dialog->GetNextRequestTime(), c.start + 70) << c.name;
        EXPECT_EQ(rig.alerts.serviced, 646) << c.name;
    }
}

// The requests run on the monotonic clock: a calendar set back or forward (by an operator, by
// a time service) changes nothing in their cadence.
TEST(FrameCycle, CalendarSetBackOrForwardKeepsTheRequestCadence) {
    for (const std::int64_t step : {-3600, 3600, -1}) {
        TimedRig rig(1'700'000'000);
        ASSERT_TRUE(rig.Start());
        EXPECT_EQ(rig.Run(5), (std::vector<int>{5})) << step;
        rig.clock.calendarStep = step;
        EXPECT_EQ(rig.Run(300), (std::vector<int>{100, 200, 300})) << step;
    }
}

TEST(FrameCycle, FrameCountGoesOnFromTheFirstWorkingFrameInsteadOfOverflowing) {
    EXPECT_EQ(NextFrameCount(0), 1);
    EXPECT_EQ(NextFrameCount(kStartupFrames - 1), kStartupFrames);
    EXPECT_EQ(NextFrameCount(2'147'483'646), 2'147'483'647);
    EXPECT_EQ(NextFrameCount(2'147'483'647), kStartupFrames);
}

TEST(FrameCycle, WellFormedFilePublishesAtTheThirdRequest) {
    const std::string entry = TrafficLine("AAA", 50.5, 0.1) + TrafficLine("BBB", 50.0, -0.2) +
                              TrafficLine("FAR", 40.0, 0.0);
    DialogRig rig(TrafficFile({{entry}}));
    ASSERT_TRUE(rig.Start());
    rig.Block().simulationState = 1;
    rig.Frames(5);
    EXPECT_EQ(rig.host.title, "Halvery v1:: Recorded over the Channel");
    EXPECT_EQ(rig.Slot(3), kFailedRequest);
    EXPECT_EQ(rig.dialog->GetStatusText(),
              "Opening data file and awaiting data stream approx 20 seconds");

    rig.Frames(94, 0);
    rig.NextRequestFrame();
    EXPECT_EQ(rig.dialog->GetStatusText(), "Found data start tag");
    EXPECT_EQ(rig.Block().trafficStatus, 99);

    rig.NextRequestFrame();
    EXPECT_EQ(rig.Block().trafficStatus, 0);
    EXPECT_EQ(rig.Block().aircraftCount, 2);
    EXPECT_EQ(rig.dialog->GetStatusText(),
              "Frame 101 Call 1 gave 2 a/c in view from 3 a/c at  50.450   0.010");
    EXPECT_EQ(rig.host.controlTexts[kIdcStatus], rig.dialog->GetStatusText());
    EXPECT_EQ(rig.host.controlTexts[kIdcMessage], "Reading Data Set :: 3 Aircraft checked");
    EXPECT_EQ(rig.host.controlTexts[kIdcInViewList], "AAA BBB ");
    EXPECT_EQ(rig.Slot(3), kFailedRequest);
    EXPECT_EQ(rig.Slot(6), "Next Request Time at Frame 101");
}

TEST(FrameCycle, StatusSuffixFollowsTheSimulationState) {
    struct Case {
        std::int32_t state;
        const char* suffix;
    };
    const Case cases[] = {{0, " :: Awaiting Simulation"}, {1, ""}, {-7, ""}};
    for (const Case& c : cases) {
        DialogRig rig(TrafficFile({{TrafficLine("AAA", 50.5, 0.1)}}));
        ASSERT_TRUE(rig.Start());
        rig.Block().simulationState = c.state;
        rig.Block().ownLatitude = 51.25;
        rig.Block().ownLongitude = -1.5;
        rig.Frames(5);
        rig.NextRequestFrame();
        rig.NextRequestFrame();
        EXPECT_EQ(rig.dialog->GetStatusText(),
                  std::string("Frame 7 Call 1 gave 0 a/c in view from 1 a/c at  51.250  -1.500") +
                      c.suffix)
            << c.state;
        EXPECT_EQ(rig.Block().publishCounter, 1) << c.state; // traffic flows without simulator
    }
}

// The file failing under a running feeder: its aircraft leave the block with the first failed
// request (published empty, as any publication), and the file is opened again once it changed.
TEST(FrameCycle, FailedReadWithdrawsTheTrafficAndKeepsTheStatusLine) {
    // No end tag: once the entry is read, every further read fails.
    const std::string noEnd = "header\n####_BEGIN_####\n####_ENTRY_0_####\n" +
                              TrafficLine("AAA", 50.5, 0.1) + "####_ENTRY_END_####\n";
    DialogRig rig(noEnd);
    ASSERT_TRUE(rig.Start());
    rig.Block().simulationState = 1;
    rig.Frames(5);
    rig.NextRequestFrame();
    rig.NextRequestFrame();
    const std::string published = rig.dialog->GetStatusText();
    EXPECT_EQ(published, "Frame 7 Call 1 gave 1 a/c in view from 1 a/c at  50.450   0.010");
    std::memset(rig.Block().diagnosticText[3], 0, kDiagnosticTextSize);

    rig.Block().publishCounter = 41;
    rig.NextRequestFrame();
    EXPECT_EQ(rig.Slot(3), kFailedRequest);
    EXPECT_EQ(rig.dialog->GetStatusText(), published);
    EXPECT_EQ(rig.Block().publishCounter, 42);
    EXPECT_EQ(rig.Block().aircraftCount, 0);
    EXPECT_EQ(rig.Block().trafficStatus, 0);
    EXPECT_EQ(rig.Block().aircraft[0].callsign[0], '\0');
    EXPECT_EQ(rig.host.controlTexts[kIdcInViewList], "");
    EXPECT_EQ(rig.host.controlTexts[kIdcMessage],
              std::string("SettingsFileClass::ReadFromSettingsFile\nNULL read from file\n") +
                  rig.file->c_str());

    // The file stays as it is: it played once, and its entry does not come again.
    for (int request = 0; request < 4; ++request) {
        rig.NextRequestFrame();
        EXPECT_EQ(rig.Block().publishCounter, 42) << request;
    }
    EXPECT_EQ(rig.Slot(6), "Next Request Time at Frame 12");

    // Written anew, it is opened again: the header line (no publication, nothing left to
    // withdraw), the begin tag, then the entry.
    std::ofstream(rig.file->c_str(), std::ios::binary | std::ios::app) << "####_END_####\n";
    rig.NextRequestFrame();
    rig.NextRequestFrame();
    EXPECT_EQ(rig.Block().publishCounter, 42);
    rig.NextRequestFrame();
    EXPECT_EQ(rig.Block().publishCounter, 43);
    EXPECT_EQ(rig.Block().aircraftCount, 1);
}

// Drives `frames` frames with the given state, one second apart (so every tenth one requests).
void FramesWithState(DialogRig& rig, std::int32_t state, int frames) {
    rig.Block().simulationState = state;
    rig.Frames(frames, 1);
}

TEST(SimulationEnding, FiftyOneEndingFramesEndTheProgramOnce) {
    DialogRig rig;
    ASSERT_TRUE(rig.Start());
    FramesWithState(rig, 1, 5);
    FramesWithState(rig, kSimulationEnding, 50);
    EXPECT_TRUE(rig.host.endResults.empty());
    EXPECT_EQ(rig.dialog->GetSimEndCountdown(), 0);

    rig.log.clear();
    rig.Block().soundRequest = 4;
    FramesWithState(rig, kSimulationEnding, 1);
    EXPECT_EQ(rig.host.endResults, (std::vector<int>{0}));
    // Sounds are cut before the end, and the frame still services the alert request.
    EXPECT_EQ(rig.log, (CallLog{"StopAllSounds", "EndDialog 0", "ServiceSoundRequest 4"}));
    EXPECT_EQ(rig.dialog->GetSimEndCountdown(), -1);
}

TEST(SimulationEnding, AnyOtherStateRestartsTheCount) {
    for (std::int32_t interruption : {0, 1, 0x00FFFFFE}) {
        DialogRig rig;
        ASSERT_TRUE(rig.Start());
        FramesWithState(rig, 1, 5);
        FramesWithState(rig, kSimulationEnding, 45);
        FramesWithState(rig, interruption, 1);
        EXPECT_EQ(rig.dialog->GetSimEndCountdown(), 50);
        FramesWithState(rig, kSimulationEnding, 50);
        EXPECT_TRUE(rig.host.endResults.empty()) << interruption;
        FramesWithState(rig, kSimulationEnding, 1);
        EXPECT_EQ(rig.host.endResults.size(), 1u) << interruption;
    }
}

TEST(SimulationEnding, CountdownTextsOnPlainAndRequestFrames) {
    DialogRig rig(TrafficFile({{}, {}, {}}));
    ASSERT_TRUE(rig.Start());
    rig.Block().simulationState = 1;
    rig.Frames(5);          // header
    rig.NextRequestFrame(); // begin tag
    rig.Block().simulationState = kSimulationEnding;

    rig.Frames(1);
    EXPECT_EQ(rig.dialog->GetStatusText(), "Found data start tag"); // the count was still 50
    rig.Frames(1);
    EXPECT_EQ(rig.dialog->GetStatusText(), " :: Simlation Ending 49");
    rig.Frames(5);
    EXPECT_EQ(rig.dialog->GetStatusText(), " :: Simlation Ending 44");

    rig.NextRequestFrame(); // entry 0, published during the count
    EXPECT_EQ(rig.dialog->GetSimEndCountdown(), 42);
    EXPECT_EQ(rig.dialog->GetStatusText(), "Simlation Ending 42 :: Simulation stopped");
    EXPECT_EQ(rig.host.controlTexts[kIdcStatus], "Simlation Ending 42 :: Simulation stopped");
}

} // namespace
