// SDL audio behind the system-player semantics. One queue of samples plays at a time: a new
// sound replaces what is queued, the no-stop flag refuses while anything is queued, and a purge
// empties the queue. Every sound plays asynchronously and a busy device is never waited for;
// nothing substitutes for a missing sound.

#include "platform/SoundPlayer.h"
#include "platform/SoundResources.h"

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <dlfcn.h>
#include <span>

[[maybe_unused]] static const char kSoundPlayerPosixRevision[] =
    "%Z% Corvane QX4003:03 SoundPlayer_posix.cpp $Revision: 1.1 $";

// Here a module is a table of the resources linked into the program.
struct SoundModuleTag {
    std::span<const SoundResource> resources;
};

namespace {

// The device is opened in the format of the program's recordings, so they are queued as they
// are; SDL converts for the hardware.
constexpr int kDeviceRate = 44100;
constexpr SDL_AudioFormat kDeviceFormat = AUDIO_F32LSB;
constexpr Uint8 kDeviceChannels = 2;
constexpr Uint16 kDeviceBufferFrames = 2048;

// ALSA writes its own complaints to stderr when there is no sound card, at every attempt to open
// the device; a missing device is no failure of this program, so it is kept quiet.
void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsa() {
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_NOLOAD);
    if (alsa == nullptr) {
        return;
    }
    using ErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetErrorHandler = int (*)(ErrorHandler);
    auto setHandler = reinterpret_cast<SetErrorHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (setHandler != nullptr) {
        setHandler(IgnoreAlsaError);
    }
    dlclose(alsa);
}

const SoundResource* FindResource(SoundModule module, std::int32_t resourceId) {
    for (const SoundResource& resource : module->resources) {
        if (resource.resourceId == resourceId) {
            return &resource;
        }
    }
    return nullptr;
}

class SdlSoundPlayer final : public SoundPlayer {
public:
    explicit SdlSoundPlayer(std::span<const SoundResource> programSounds)
        : programModule{programSounds} {}
    SdlSoundPlayer(const SdlSoundPlayer&) = delete;
    SdlSoundPlayer& operator=(const SdlSoundPlayer&) = delete;
    ~SdlSoundPlayer() override;

    bool Play(std::int32_t resourceId, SoundModule module, std::uint32_t flags) override;
    SoundModule ProgramModule() const override;

private:
    bool OpenDevice();
    bool Queue(const SoundResource& resource);

    const SoundModuleTag programModule;
    bool audioStarted = false;
    SDL_AudioDeviceID device = 0;
};

SdlSoundPlayer::~SdlSoundPlayer() {
    if (device != 0) {
        SDL_CloseAudioDevice(device);
    }
    if (audioStarted) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

bool SdlSoundPlayer::Play(std::int32_t resourceId, SoundModule module, std::uint32_t flags) {
    if (resourceId == kNoSound) {
        if (device != 0) {
            SDL_ClearQueuedAudio(device);
        }
        return true;
    }
    const SoundResource* resource = module != nullptr ? FindResource(module, resourceId) : nullptr;
    if (resource == nullptr || !OpenDevice()) {
        return false;
    }
    if ((flags & kSoundNoStop) != 0 && SDL_GetQueuedAudioSize(device) > 0) {
        return false;
    }
    return Queue(*resource);
}

SoundModule SdlSoundPlayer::ProgramModule() const {
    return &programModule;
}

// Tried again at each play while it fails, as the system player would find a device that
// appeared meanwhile.
bool SdlSoundPlayer::OpenDevice() {
    if (device != 0) {
        return true;
    }
    if (!audioStarted) {
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            return false;
        }
        audioStarted = true;
        SilenceAlsa(); // SDL loads ALSA afresh at each start of its audio
    }
    SDL_AudioSpec wanted{};
    wanted.freq = kDeviceRate;
    wanted.format = kDeviceFormat;
    wanted.channels = kDeviceChannels;
    wanted.samples = kDeviceBufferFrames;
    device = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
    if (device == 0) {
        return false;
    }
    SDL_PauseAudioDevice(device, 0);
    return true;
}

// Only sounds in the device format are played; others fail like a missing sound.
bool SdlSoundPlayer::Queue(const SoundResource& resource) {
    SDL_RWops* stream = SDL_RWFromConstMem(resource.bytes, static_cast<int>(resource.size));
    if (stream == nullptr) {
        return false;
    }
    SDL_AudioSpec waveFormat{};
    Uint8* samples = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV_RW(stream, 1, &waveFormat, &samples, &length) == nullptr) {
        return false;
    }
    bool queued = false;
    if (waveFormat.freq == kDeviceRate && waveFormat.format == kDeviceFormat &&
        waveFormat.channels == kDeviceChannels) {
        SDL_ClearQueuedAudio(device);
        queued = SDL_QueueAudio(device, samples, length) == 0;
    }
    SDL_FreeWAV(samples);
    return queued;
}

} // namespace

std::unique_ptr<SoundPlayer> CreateSystemSoundPlayer(std::span<const SoundResource> programSounds) {
    return std::make_unique<SdlSoundPlayer>(programSounds);
}
