#pragma once
// The system sound player: plays sound resources linked into the program, asynchronously, with
// the semantics of the Windows multimedia player (PlaySound). The core codes against the
// abstract SoundPlayer so that tests can record what would have been heard.

#include "platform/SoundResources.h"

#include <cstdint>
#include <memory>
#include <span>

inline constexpr char kSoundPlayerHeaderRevision[] =
    "%Z% Corvane QX4003:01 SoundPlayer.h $Revision: 1.1 $";

// Handle of a module that holds sound resources; what it points at is known only to the
// platform implementation. Null means no module.
struct SoundModuleTag;
using SoundModule = const SoundModuleTag*;

// Play flags, with the values the Windows player gives them.
inline constexpr std::uint32_t kSoundAsync = 0x0001;     // return at once, play in the background
inline constexpr std::uint32_t kSoundNoDefault = 0x0002; // a missing sound plays nothing else
inline constexpr std::uint32_t kSoundNoStop = 0x0010;    // never cut off a sound still playing
inline constexpr std::uint32_t kSoundPurge = 0x0040;     // with no sound: stop everything
inline constexpr std::uint32_t kSoundNoWait = 0x2000;    // fail rather than wait for the device
inline constexpr std::uint32_t kSoundResource = 0x00040004; // the name is a resource number

// The resource number that names no sound.
inline constexpr std::int32_t kNoSound = 0;

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    // Plays resource `resourceId` of `module`. Starting a sound cuts off one of ours that is
    // still playing, unless kSoundNoStop is given: then nothing starts and the call fails.
    // kNoSound with kSoundPurge stops every sound of the program and succeeds. Fails (false,
    // nothing reported, nothing heard) with no module, a missing resource or no sound device.
    virtual bool Play(std::int32_t resourceId, SoundModule module, std::uint32_t flags) = 0;

    // The program's own module, the one that holds its sound resources; null when there is
    // none.
    virtual SoundModule ProgramModule() const = 0;
};

// The platform's player. It takes the sound device only when it first plays and gives it
// back when destroyed; on POSIX systems it uses SDL, whose SDL_AUDIODRIVER picks the driver.
// The program hands over the sounds linked into it (its ProgramSoundResources), which become its
// ProgramModule on POSIX systems; Windows plays them from the program's resource section and
// needs none.
std::unique_ptr<SoundPlayer> CreateSystemSoundPlayer(std::span<const SoundResource> programSounds);
