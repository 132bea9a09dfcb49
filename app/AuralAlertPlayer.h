#pragma once
// Plays the TCAS aural alert that the simulator requests through the shared block, once per
// request: a sound starts when a new request arrives, is not repeated while the request stands,
// and is cut off when the request changes or a silence request arrives.

#include "app/AlertService.h"
#include "platform/SoundPlayer.h"
#include "shared_memory/SoundRequest.h"

#include <cstdint>
#include <string>

inline constexpr char kAuralAlertPlayerHeaderRevision[] =
    "%Z% Corvane QX4101:01 AuralAlertPlayer.h $Revision: 1.1 $";

// One alert of the table, indexed by its request code.
struct AlertSound {
    std::int32_t resourceId;
    bool played; // started during the current request
};

class AuralAlertPlayer : public AlertService {
public:
    static constexpr int kAlertCount = 7;
    static constexpr int kRequestTextSize = 100;
    // Async resource play that neither waits for a busy device, nor cuts off a sound of ours,
    // nor substitutes a default sound.
    static constexpr std::uint32_t kPlayFlags =
        kSoundResource | kSoundAsync | kSoundNoDefault | kSoundNoStop | kSoundNoWait;
    static_assert(kPlayFlags == 0x00042017);
    // Appended to the message line when there is no module to play from.
    static constexpr char kNoModuleText[] = "NULL Instance Handel";

    explicit AuralAlertPlayer(SoundPlayer& player);

    void SetUpSounds() override;
    void ServiceSoundRequest(std::int32_t soundRequest, std::string& messageText) override;
    void StopAllSounds() override;

    // Request text of the last frame serviced.
    const char* SoundRequestText() const { return soundRequestText; }

private:
    void PlayAlert(int index, std::string& messageText);
    void ClearPlayedFlags();
    void DescribeSoundRequest(std::int32_t soundRequest);

    SoundPlayer& player;
    std::uint32_t soundPlayFlags = 0;
    SoundModule soundModule = nullptr;
    std::int32_t currentSoundRequest = 0;
    std::int32_t previousSoundRequest = 0;
    AlertSound alertSounds[kAlertCount] = {};
    char soundRequestText[kRequestTextSize] = {};
};
