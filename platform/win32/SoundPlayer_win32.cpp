// The multimedia library's PlaySound behind SoundPlayer. A module is the HMODULE whose WAVE
// resources are played; the program's own module holds the alert recordings.

#include "platform/SoundPlayer.h"

#include <windows.h>

#include <mmsystem.h>

[[maybe_unused]] static const char kSoundPlayerWin32Revision[] =
    "%Z% Corvane QX4005:02 SoundPlayer_win32.cpp $Revision: 1.1 $";

namespace {

HMODULE AsModule(SoundModule module) {
    return reinterpret_cast<HMODULE>(const_cast<SoundModuleTag*>(module));
}

class Win32SoundPlayer final : public SoundPlayer {
public:
    bool Play(std::int32_t resourceId, SoundModule module, std::uint32_t flags) override {
        if (resourceId == kNoSound) {
            return PlaySoundA(nullptr, nullptr, flags) != FALSE;
        }
        if (module == nullptr) {
            return false;
        }
        return PlaySoundA(MAKEINTRESOURCEA(resourceId), AsModule(module), flags) != FALSE;
    }

    SoundModule ProgramModule() const override {
        return reinterpret_cast<SoundModule>(GetModuleHandleA(nullptr));
    }
};

} // namespace

std::unique_ptr<SoundPlayer> CreateSystemSoundPlayer(std::span<const SoundResource>) {
    return std::make_unique<Win32SoundPlayer>();
}
