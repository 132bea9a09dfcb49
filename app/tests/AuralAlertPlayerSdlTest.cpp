// The SDL player for real, on SDL's disk driver: it writes what would be heard into a file of
// raw stereo float frames. A long per-buffer delay makes the driver play far slower than real
// time, so a sound queued by the test is still playing when the test's next call comes.

#include "app/AuralAlertPlayer.h"
#include "platform/SoundPlayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint32_t kAlertFlags = AuralAlertPlayer::kPlayFlags;
constexpr std::size_t kDeviceBufferFrames = 2048;

class SdlDiskAudio : public testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", outputPath.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "100", 1);
    }
    void TearDown() override { std::remove(outputPath.c_str()); }

    // Frames written by the driver, as the peak level of each.
    std::vector<float> FrameLevels() const {
        std::ifstream in(outputPath, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>()};
        std::vector<float> levels(bytes.size() / 8);
        for (std::size_t frame = 0; frame < levels.size(); ++frame) {
            float samples[2];
            std::memcpy(samples, &bytes[frame * 8], sizeof samples);
            levels[frame] = std::max(std::abs(samples[0]), std::abs(samples[1]));
        }
        return levels;
    }

    static void Pause(int milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }

    const std::string outputPath =
        testing::TempDir() + "corvane-sound-" + std::to_string(getpid()) + ".raw";
};

TEST_F(SdlDiskAudio, TrafficIsHeardAndSilenceCutsItOff) {
    std::unique_ptr<SoundPlayer> player = CreateSystemSoundPlayer(ProgramSoundResources());
    AuralAlertPlayer alerts(*player);
    alerts.SetUpSounds();
    std::string messageText;
    alerts.ServiceSoundRequest(static_cast<std::int32_t>(SoundRequest::Traffic), messageText);
    Pause(500);
    alerts.ServiceSoundRequest(static_cast<std::int32_t>(SoundRequest::TcasSilence), messageText);
    Pause(1500);
    player.reset(); // closes the device and so the driver's file

    const std::vector<float> levels = FrameLevels();
    std::size_t audible = 0;
    std::size_t lastAudible = 0;
    for (std::size_t frame = 0; frame < levels.size(); ++frame) {
        if (levels[frame] > 0.001f) {
            ++audible;
            lastAudible = frame;
        }
    }
    EXPECT_GT(audible, 0u) << "the traffic alert was heard";
    // The recording of 129 lasts more than a second (44100 frames); far less of it was heard.
    EXPECT_LT(audible, 44100u) << "silence cut the alert off";
    // Longer than any pause between the words of a recording (the comma is about 0.2 s).
    EXPECT_GE(levels.size() - lastAudible, 6 * kDeviceBufferFrames) << "silence followed";
    EXPECT_EQ(messageText, "");
}

TEST_F(SdlDiskAudio, NoStopRefusesWhileOneOfOursPlays) {
    std::unique_ptr<SoundPlayer> player = CreateSystemSoundPlayer(ProgramSoundResources());
    const SoundModule module = player->ProgramModule();
    ASSERT_NE(module, nullptr);
    EXPECT_TRUE(player->Play(129, module, kAlertFlags));
    EXPECT_FALSE(player->Play(130, module, kAlertFlags));
    EXPECT_TRUE(player->Play(131, module, kAlertFlags & ~kSoundNoStop)) << "replaces";
    EXPECT_TRUE(player->Play(kNoSound, nullptr, kSoundPurge));
    EXPECT_TRUE(player->Play(130, module, kAlertFlags)) << "nothing left to interrupt";
}

TEST_F(SdlDiskAudio, MissingSoundOrModuleFailsAndPlaysNothing) {
    std::unique_ptr<SoundPlayer> player = CreateSystemSoundPlayer(ProgramSoundResources());
    const SoundModule module = player->ProgramModule();
    EXPECT_FALSE(player->Play(136, module, kAlertFlags));
    EXPECT_FALSE(player->Play(128, module, kAlertFlags));
    EXPECT_FALSE(player->Play(129, nullptr, kAlertFlags));
    EXPECT_TRUE(player->Play(130, module, kAlertFlags)) << "no failed sound is still queued";
}

TEST(SdlWithoutDevice, PlayFailsQuietlyAndPurgeSucceeds) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    std::unique_ptr<SoundPlayer> player = CreateSystemSoundPlayer(ProgramSoundResources());
    const SoundModule module = player->ProgramModule();
    EXPECT_FALSE(player->Play(129, module, kAlertFlags));
    EXPECT_FALSE(player->Play(129, module, kAlertFlags));
    EXPECT_TRUE(player->Play(kNoSound, nullptr, kSoundPurge));

    AuralAlertPlayer alerts(*player);
    alerts.SetUpSounds();
    std::string messageText;
    for (std::int32_t request : {0, 0, 1, 10, 0}) {
        alerts.ServiceSoundRequest(request, messageText);
    }
    EXPECT_EQ(messageText, "");
}

// Where there is no sound card (CI), ALSA would print a screenful at every attempt.
TEST(SdlOnAlsa, MissingCardLeavesStderrQuiet) {
    setenv("SDL_AUDIODRIVER", "alsa", 1);
    std::unique_ptr<SoundPlayer> player = CreateSystemSoundPlayer(ProgramSoundResources());
    testing::internal::CaptureStderr();
    player->Play(129, player->ProgramModule(), kAlertFlags);
    player->Play(130, player->ProgramModule(), kAlertFlags);
    player->Play(kNoSound, nullptr, kSoundPurge);
    player.reset();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

} // namespace
