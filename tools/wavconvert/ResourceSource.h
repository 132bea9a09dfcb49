#pragma once
// The C++ source that links the converted sound files into the program as its sound-resource
// table (platform/SoundResources.h).

#include <cstdint>
#include <string>
#include <vector>

struct EmbeddedFile {
    std::int32_t resourceId;
    std::vector<unsigned char> bytes;
};

// The source text; `files` in ascending resource number.
std::string ResourceSource(const std::vector<EmbeddedFile>& files);
