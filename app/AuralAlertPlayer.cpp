#include "app/AuralAlertPlayer.h"

#include "app/AlertSoundIds.h"
#include "text_functions/TextFunctions.h"

#include <string_view>

[[maybe_unused]] static const char kAuralAlertPlayerRevision[] =
    "%Z% Corvane QX4101:02 AuralAlertPlayer.cpp $Revision: 1.1 $";

namespace {

// Resource numbers by request code.
constexpr std::int32_t kAlertResourceIds[AuralAlertPlayer::kAlertCount] = {
    IDW_TRAFFIC,          IDW_CLIMB,       IDW_CLIMB_NOW,
    IDW_DESCEND,          IDW_DESCEND_NOW, IDW_CLEAR_OF_CONFLICT,
    IDW_TCAS_SYSTEM_FAIL,
};

// The feeder's own word for a code that asks for nothing.
constexpr char kNoRequestName[] = "NO REQUEST";

bool EndsWith(const std::string& text, std::string_view tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail.data(), tail.size()) == 0;
}

} // namespace

AuralAlertPlayer::AuralAlertPlayer(SoundPlayer& player) : player(player) {}

void AuralAlertPlayer::SetUpSounds() {
    soundModule = player.ProgramModule();
    soundPlayFlags = kPlayFlags;
    currentSoundRequest = kSilenceRequest;
    previousSoundRequest = kSilenceRequest;
    for (int i = 0; i < kAlertCount; ++i) {
        alertSounds[i] = AlertSound{kAlertResourceIds[i], false};
    }
}

void AuralAlertPlayer::ServiceSoundRequest(std::int32_t soundRequest, std::string& messageText) {
    currentSoundRequest = soundRequest;
    DescribeSoundRequest(currentSoundRequest);
    if (currentSoundRequest == kSilenceRequest) {
        // Silence re-arms every alert but keeps the request it interrupted, so that request
        // sounds again once the silence ends.
        StopAllSounds();
        ClearPlayedFlags();
        return;
    }
    if (currentSoundRequest != previousSoundRequest) {
        StopAllSounds();
        ClearPlayedFlags();
    }
    if (static_cast<std::uint32_t>(currentSoundRequest) < kAlertCount) {
        PlayAlert(currentSoundRequest, messageText);
    }
    previousSoundRequest = currentSoundRequest;
}

void AuralAlertPlayer::StopAllSounds() {
    player.Play(kNoSound, nullptr, kSoundPurge);
}

void AuralAlertPlayer::PlayAlert(int index, std::string& messageText) {
    AlertSound& alert = alertSounds[index];
    if (soundModule == nullptr) {
        // Retried every frame while the request stands: say it once, not ten times a second.
        if (!EndsWith(messageText, kNoModuleText)) {
            messageText += kNoModuleText;
        }
        return;
    }
    if (alert.played) {
        return;
    }
    // A failed start (device busy, resource missing) is not retried within this request.
    player.Play(alert.resourceId, soundModule, soundPlayFlags);
    alert.played = true;
}

void AuralAlertPlayer::ClearPlayedFlags() {
    for (AlertSound& alert : alertSounds) {
        alert.played = false;
    }
}

void AuralAlertPlayer::DescribeSoundRequest(std::int32_t soundRequest) {
    const char* name = SoundRequestName(soundRequest);
    FormatBounded(soundRequestText, kRequestTextSize, "Sound Request = %s",
                  name != nullptr ? name : kNoRequestName);
}
