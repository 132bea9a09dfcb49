// The frame cycle in live mode, on a data file that grows while the feeder runs: each newer
// entry is published once, nothing while none comes, and the last publication goes when it is
// old. Time is the fake clock's.

#include "tests/support/DialogFakes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

namespace {

constexpr std::int64_t kStart = 1'700'000'000; // the fake clock's first reading
constexpr char kFailedRequest[] = "Failed geting historic data";

std::string Aircraft(const std::string& callsign, std::int64_t time, double latitude = 50.5) {
    return callsign + "|4CA2B5|" + std::to_string(time) + "|" + std::to_string(latitude) +
           "|0.1|35000|35500|270|450|-64\n";
}

std::string Entry(int number, const std::string& lines) {
    return "####_ENTRY_" + std::to_string(number) + "_####\n" + lines + "####_ENTRY_END_####\n";
}

void Append(const char* path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::app) << text;
}

const std::string kRecording =
    "Recorded live\n####_BEGIN_####\n" + Entry(0, Aircraft("OLD", kStart - 10)) +
    Entry(1, Aircraft("NEW1", kStart) + Aircraft("NEW2", kStart) + Aircraft("FAR", kStart, 10.0));

TEST(LiveFrameCycle, NewestEntryAtOnceThenEachNewerOneAndTheAgeBetween) {
    DialogRig rig(kRecording, nullptr, FeedMode::Live);
    ASSERT_TRUE(rig.Start());
    rig.Block().simulationState = 1;
    rig.Frames(5);
    EXPECT_EQ(rig.host.title, "Halvery v1:: Recorded live");
    EXPECT_EQ(rig.Block().publishCounter, 1);
    EXPECT_EQ(rig.Block().aircraftCount, 2);
    EXPECT_EQ(rig.host.controlTexts[kIdcInViewList], "NEW1 NEW2 ");
    EXPECT_EQ(rig.dialog->GetStatusText(),
              "Frame 5 Call 2 gave 2 a/c in view from 3 a/c at  50.450   0.010");
    EXPECT_EQ(rig.host.controlTexts[kIdcMessage], "Reading Data Set :: 3 Aircraft checked");

    rig.NextRequestFrame();
    EXPECT_EQ(rig.Block().publishCounter, 1) << "nothing newer: nothing published";
    EXPECT_EQ(rig.dialog->GetStatusText(), "live: newest entry 10 s old");
    EXPECT_EQ(rig.Slot(3), "");

    // The recorder writes the next entry in two steps; half of it is never published.
    Append(rig.file->c_str(), "####_ENTRY_2_####\n" + Aircraft("NEXT", kStart + 20));
    rig.NextRequestFrame();
    EXPECT_EQ(rig.Block().publishCounter, 1);
    Append(rig.file->c_str(), "####_ENTRY_END_####\n");
    rig.NextRequestFrame();
    EXPECT_EQ(rig.Block().publishCounter, 2);
    EXPECT_EQ(rig.host.controlTexts[kIdcInViewList], "NEXT ");
    EXPECT_EQ(rig.dialog->GetStatusText(),
              "Frame 8 Call 3 gave 1 a/c in view from 1 a/c at  50.450   0.010");
}

TEST(LiveFrameCycle, ClosedRecordingIsSaidAndItsLastPublicationWithdrawnWhenOld) {
    DialogRig rig(kRecording + "####_END_####\n", nullptr, FeedMode::Live);
    ASSERT_TRUE(rig.Start());
    rig.Frames(5);
    ASSERT_EQ(rig.Block().publishCounter, 1);
    for (int request = 1; request < 6; ++request) {
        rig.NextRequestFrame();
        EXPECT_EQ(rig.dialog->GetStatusText(), "live: newest entry " +
                                                   std::to_string(request * 10) +
                                                   " s old :: recording closed");
        EXPECT_EQ(rig.Block().publishCounter, 1);
        EXPECT_EQ(rig.Block().aircraftCount, 2);
    }
    rig.NextRequestFrame();
    EXPECT_EQ(rig.dialog->GetStatusText(), "live: newest entry 60 s old :: recording closed");
    EXPECT_EQ(rig.Block().publishCounter, 2);
    EXPECT_EQ(rig.Block().aircraftCount, 0);
    EXPECT_EQ(rig.Block().aircraft[0].callsign[0], '\0');
    EXPECT_EQ(rig.host.controlTexts[kIdcInViewList], "");
    rig.NextRequestFrame();
    rig.NextRequestFrame();
    EXPECT_EQ(rig.Block().publishCounter, 2) << "withdrawn once";
}

// Started on yesterday's closed recording, the feeder once showed day-old traffic for a minute:
// an entry past the hold is never published, the first request included, and the status line
// says how old it is.
TEST(LiveFrameCycle, RecordingClosedADayAgoIsNeverPublished) {
    DialogRig rig(
        "Recorded yesterday\n####_BEGIN_####\n" +
            Entry(0, Aircraft("OLD1", kStart - 86420) + Aircraft("OLD2", kStart - 86410)) +
            "####_END_####\n",
        nullptr, FeedMode::Live);
    ASSERT_TRUE(rig.Start());
    rig.Frames(5);
    EXPECT_EQ(rig.host.title, "Halvery v1:: Recorded yesterday");
    EXPECT_EQ(rig.dialog->GetStatusText(), "live: newest entry 86410 s old :: recording closed");
    for (int request = 1; request < 8; ++request) {
        rig.NextRequestFrame();
        EXPECT_EQ(rig.dialog->GetStatusText(), "live: newest entry " +
                                                   std::to_string(86410 + request * 10) +
                                                   " s old :: recording closed");
    }
    EXPECT_EQ(rig.Block().publishCounter, 0);
    EXPECT_EQ(rig.Block().aircraftCount, 0);
    EXPECT_EQ(rig.host.controlTexts[kIdcInViewList], "");
    EXPECT_EQ(rig.Slot(3), "") << "nothing failed";
}

// A live feeder may start before its recorder: no message box, the run goes on and takes the
// file up when it comes.
TEST(LiveFrameCycle, FileNotThereYetIsWaitedFor) {
    TempDataFile placeholder("");
    const std::string path = std::string(placeholder.c_str()) + ".later";
    DialogRig rig("", path.c_str(), FeedMode::Live);
    ASSERT_TRUE(rig.Start());
    EXPECT_TRUE(rig.host.messageBoxTexts.empty());
    rig.Frames(5);
    EXPECT_EQ(rig.Block().publishCounter, 0);
    EXPECT_EQ(rig.Slot(3), kFailedRequest);
    EXPECT_NE(rig.host.controlTexts[kIdcMessage].find(path), std::string::npos);
    EXPECT_EQ(rig.dialog->GetStatusText(), "live: waiting for a complete entry");

    std::ofstream(path, std::ios::binary) << kRecording;
    rig.NextRequestFrame();
    EXPECT_EQ(rig.Block().publishCounter, 1);
    EXPECT_EQ(rig.Block().aircraftCount, 2);
    std::remove(path.c_str());
}

// Without live mode the same recording plays from its top, as it always did.
TEST(LiveFrameCycle, PlayModeStillPlaysFromTheTop) {
    DialogRig rig(kRecording);
    ASSERT_TRUE(rig.Start());
    rig.Frames(5);
    rig.NextRequestFrame();
    rig.NextRequestFrame();
    EXPECT_EQ(rig.Block().publishCounter, 1);
    EXPECT_EQ(rig.host.controlTexts[kIdcInViewList], "OLD ");
}

} // namespace
