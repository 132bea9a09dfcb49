#pragma once
// The WAVE sound resources compiled into the program: complete RIFF/WAVE files, each under its
// resource number. The table is generated at build time from the program's recordings.

#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr char kSoundResourcesHeaderRevision[] =
    "%Z% Corvane QX4003:02 SoundResources.h $Revision: 1.1 $";

struct SoundResource {
    std::int32_t resourceId;
    const unsigned char* bytes;
    std::size_t size;
};

// Every sound resource of the program, in ascending resource number.
std::span<const SoundResource> ProgramSoundResources();
