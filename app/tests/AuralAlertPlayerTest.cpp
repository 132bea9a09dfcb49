#include "app/AuralAlertPlayer.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

// Stands in for the system player: records each call as "play <number>" or "purge", and
// checks that plays and purges carry the flags and module the system player needs.
class RecordingSoundPlayer : public SoundPlayer {
public:
    bool Play(std::int32_t resourceId, SoundModule module, std::uint32_t flags) override {
        if (resourceId == kNoSound) {
            EXPECT_EQ(module, nullptr);
            EXPECT_EQ(flags, kSoundPurge);
            calls.push_back("purge");
            return true;
        }
        EXPECT_EQ(module, programModule);
        EXPECT_EQ(flags, 0x00042017u);
        calls.push_back("play " + std::to_string(resourceId));
        return playSucceeds;
    }
    SoundModule ProgramModule() const override { return programModule; }

    // The calls since the last Take, joined by ", ".
    std::string Take() {
        std::string joined;
        for (const std::string& call : calls) {
            joined += (joined.empty() ? "" : ", ") + call;
        }
        calls.clear();
        return joined;
    }

    SoundModule programModule = reinterpret_cast<SoundModule>(&calls);
    bool playSucceeds = true;

private:
    std::vector<std::string> calls;
};

struct Frame {
    std::int32_t request;
    const char* calls; // what the player hears in this frame
};

struct SequenceCase {
    const char* name;
    std::vector<Frame> frames;
};

void PrintTo(const SequenceCase& sequence, std::ostream* out) {
    *out << sequence.name;
}

class AuralAlertSequence : public testing::TestWithParam<SequenceCase> {};

TEST_P(AuralAlertSequence, PlaysAndPurgesFrameByFrame) {
    RecordingSoundPlayer sounds;
    AuralAlertPlayer alerts(sounds);
    alerts.SetUpSounds();
    std::string messageText;
    int frameNumber = 0;
    for (const Frame& frame : GetParam().frames) {
        alerts.ServiceSoundRequest(frame.request, messageText);
        EXPECT_EQ(sounds.Take(), frame.calls) << "frame " << ++frameNumber;
    }
    EXPECT_EQ(messageText, "");
}

// A set-up player holds the silence code as its last request, so the first alert purges first.
INSTANTIATE_TEST_SUITE_P(
    Requests, AuralAlertSequence,
    testing::Values(
        SequenceCase{"ClimbThenClimbNow",
                     {{1, "purge, play 130"}, {1, ""}, {2, "purge, play 131"}, {2, ""}}},
        SequenceCase{"SilenceRearmsTheSameAlert",
                     {{0, "purge, play 129"}, {10, "purge"}, {0, "play 129"}, {0, ""}}},
        SequenceCase{
            "SilenceRepeatsItsPurgeEveryFrame",
            {{0, "purge, play 129"}, {0, ""}, {10, "purge"}, {10, "purge"}, {0, "play 129"}}},
        SequenceCase{"NoRequestCodeCutsOffAndRearms",
                     {{0, "purge, play 129"}, {7, "purge"}, {7, ""}, {0, "purge, play 129"}}},
        SequenceCase{"ResourceNumbersOutOfCodeOrder",
                     {{3, "purge, play 133"},
                      {4, "purge, play 134"},
                      {5, "purge, play 132"},
                      {6, "purge, play 135"},
                      {0, "purge, play 129"},
                      {2, "purge, play 131"}}},
        SequenceCase{"NegativeCodeIsNoRequest", {{-1, "purge"}, {-1, ""}, {INT_MIN, "purge"}}},
        SequenceCase{"CodesAboveTheTableAreNoRequests",
                     {{8, "purge"}, {9, "purge"}, {11, "purge"}, {INT_MAX, "purge"}}},
        SequenceCase{"SilenceFromTheStartPurgesEachFrame",
                     {{10, "purge"}, {10, "purge"}, {10, "purge"}}}),
    [](const testing::TestParamInfo<SequenceCase>& info) { return info.param.name; });

TEST(AuralAlertPlayer, StandingTrafficRequestStartsItsSoundOnce) {
    RecordingSoundPlayer sounds;
    AuralAlertPlayer alerts(sounds);
    alerts.SetUpSounds();
    std::string messageText;
    std::string heard;
    for (int frame = 0; frame < 100; ++frame) {
        alerts.ServiceSoundRequest(0, messageText);
        const std::string calls = sounds.Take();
        heard += calls.empty() ? "" : calls + "; ";
    }
    EXPECT_EQ(heard, "purge, play 129; ");
}

TEST(AuralAlertPlayer, FailedStartCountsAsPlayedUntilTheRequestChanges) {
    RecordingSoundPlayer sounds;
    sounds.playSucceeds = false;
    AuralAlertPlayer alerts(sounds);
    alerts.SetUpSounds();
    std::string messageText;
    alerts.ServiceSoundRequest(1, messageText);
    alerts.ServiceSoundRequest(1, messageText);
    alerts.ServiceSoundRequest(2, messageText);
    EXPECT_EQ(sounds.Take(), "purge, play 130, purge, play 131");
    EXPECT_EQ(messageText, "");
}

TEST(AuralAlertPlayer, NewRunRearmsTheAlerts) {
    RecordingSoundPlayer sounds;
    AuralAlertPlayer alerts(sounds);
    alerts.SetUpSounds();
    std::string messageText;
    alerts.ServiceSoundRequest(0, messageText);
    alerts.SetUpSounds();
    alerts.ServiceSoundRequest(0, messageText);
    EXPECT_EQ(sounds.Take(), "purge, play 129, purge, play 129");
}

TEST(AuralAlertPlayer, StopAllSoundsPurges) {
    RecordingSoundPlayer sounds;
    AuralAlertPlayer alerts(sounds);
    alerts.SetUpSounds();
    alerts.StopAllSounds();
    EXPECT_EQ(sounds.Take(), "purge");
}

struct TextCase {
    std::int32_t request;
    const char* text;
};

TEST(AuralAlertPlayer, DescribesEachRequest) {
    const TextCase cases[] = {
        {0, "Sound Request = TRAFFIC"},          {1, "Sound Request = CLIMB"},
        {2, "Sound Request = CLIMB NOW"},        {3, "Sound Request = DESCEND"},
        {4, "Sound Request = DESCEND NOW"},      {5, "Sound Request = CLEAR OF TRAFFIC"},
        {6, "Sound Request = TCAS SYS FAIL"},    {7, "Sound Request = NO REQUEST"},
        {9, "Sound Request = NO REQUEST"},       {10, "Sound Request = TCAS SILENCE"},
        {11, "Sound Request = NO REQUEST"},      {-1, "Sound Request = NO REQUEST"},
        {INT_MIN, "Sound Request = NO REQUEST"}, {INT_MAX, "Sound Request = NO REQUEST"},
    };
    RecordingSoundPlayer sounds;
    AuralAlertPlayer alerts(sounds);
    alerts.SetUpSounds();
    std::string messageText;
    for (const TextCase& c : cases) {
        alerts.ServiceSoundRequest(c.request, messageText);
        EXPECT_STREQ(alerts.SoundRequestText(), c.text) << "code " << c.request;
    }
}

// Without a module every frame of a standing request retries the alert; the message line must
// not grow by the complaint ten times a second.
TEST(AuralAlertPlayer, MissingModuleIsReportedOnceWhileTheMessageLineShowsIt) {
    RecordingSoundPlayer sounds;
    sounds.programModule = nullptr;
    AuralAlertPlayer alerts(sounds);
    alerts.SetUpSounds();
    std::string messageText = "Reading Data Set :: 3 Aircraft checked";
    for (int frame = 0; frame < 50; ++frame) {
        alerts.ServiceSoundRequest(frame < 25 ? 0 : 1, messageText);
    }
    EXPECT_EQ(messageText, "Reading Data Set :: 3 Aircraft checkedNULL Instance Handel");
    EXPECT_EQ(sounds.Take(), "purge, purge");

    messageText = "Resetting Data Set to beginning";
    alerts.ServiceSoundRequest(1, messageText);
    alerts.ServiceSoundRequest(1, messageText);
    EXPECT_EQ(messageText, "Resetting Data Set to beginningNULL Instance Handel");
}

TEST(AuralAlertPlayer, MissingModuleIsNotReportedWithoutAnAlert) {
    RecordingSoundPlayer sounds;
    sounds.programModule = nullptr;
    AuralAlertPlayer alerts(sounds);
    alerts.SetUpSounds();
    std::string messageText;
    for (std::int32_t request : {10, 7, -1, 10}) {
        alerts.ServiceSoundRequest(request, messageText);
    }
    EXPECT_EQ(messageText, "");
}

} // namespace
