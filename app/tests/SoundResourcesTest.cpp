// Each sound resource compiled into the program, parsed back as the system player would read
// it: a RIFF/WAVE file in IEEE float, stereo, 44100 Hz, with "fact" and "PEAK" ahead of "data".

#include "platform/SoundResources.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::uint32_t Read32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t Read16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

float ReadFloat(const unsigned char* p) {
    const std::uint32_t bits = Read32(p);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

struct Chunk {
    std::string tag;
    const unsigned char* body;
    std::uint32_t size;
};

// The chunks in file order; fails the test when a chunk runs past the end.
std::vector<Chunk> ChunksOf(const SoundResource& resource) {
    std::vector<Chunk> chunks;
    std::size_t at = 12;
    while (at + 8 <= resource.size) {
        const std::uint32_t size = Read32(resource.bytes + at + 4);
        EXPECT_LE(size, resource.size - at - 8) << "chunk at " << at;
        if (size > resource.size - at - 8) {
            break;
        }
        chunks.push_back({std::string(reinterpret_cast<const char*>(resource.bytes + at), 4),
                          resource.bytes + at + 8, size});
        at += 8 + size + (size & 1);
    }
    EXPECT_EQ(at, resource.size) << "bytes after the last chunk";
    return chunks;
}

TEST(SoundResources, ProgramHoldsTheSevenAlertsUnderTheirNumbers) {
    std::vector<std::int32_t> ids;
    for (const SoundResource& resource : ProgramSoundResources()) {
        ids.push_back(resource.resourceId);
    }
    EXPECT_EQ(ids, (std::vector<std::int32_t>{129, 130, 131, 132, 133, 134, 135}));
}

TEST(SoundResources, EachIsAFloatStereoWaveWithFactAndPeakAheadOfData) {
    for (const SoundResource& resource : ProgramSoundResources()) {
        SCOPED_TRACE("resource " + std::to_string(resource.resourceId));
        ASSERT_GE(resource.size, 12u);
        EXPECT_EQ(std::memcmp(resource.bytes, "RIFF", 4), 0);
        EXPECT_EQ(Read32(resource.bytes + 4), resource.size - 8);
        EXPECT_EQ(std::memcmp(resource.bytes + 8, "WAVE", 4), 0);

        const std::vector<Chunk> chunks = ChunksOf(resource);
        std::vector<std::string> order;
        for (const Chunk& chunk : chunks) {
            order.push_back(chunk.tag);
        }
        ASSERT_EQ(order, (std::vector<std::string>{"fmt ", "fact", "PEAK", "data"}));
        const Chunk& format = chunks[0];
        const Chunk& fact = chunks[1];
        const Chunk& peak = chunks[2];
        const Chunk& data = chunks[3];

        ASSERT_GE(format.size, 16u);
        EXPECT_EQ(Read16(format.body), 3) << "format tag: IEEE float";
        EXPECT_EQ(Read16(format.body + 2), 2) << "channels";
        EXPECT_EQ(Read32(format.body + 4), 44100u) << "samples per second";
        EXPECT_EQ(Read32(format.body + 8), 352800u) << "bytes per second";
        EXPECT_EQ(Read16(format.body + 12), 8) << "block alignment";
        EXPECT_EQ(Read16(format.body + 14), 32) << "bits per sample";

        ASSERT_GT(data.size, 0u);
        ASSERT_EQ(data.size % 8, 0u);
        const std::uint32_t frames = data.size / 8;
        ASSERT_EQ(fact.size, 4u);
        EXPECT_EQ(Read32(fact.body), frames) << "fact: frames";

        // PEAK: version, time stamp, then level and frame of the loudest sample per channel.
        ASSERT_EQ(peak.size, 8u + 2 * 8);
        EXPECT_EQ(Read32(peak.body), 1u);
        for (int channel = 0; channel < 2; ++channel) {
            float loudest = 0;
            for (std::uint32_t frame = 0; frame < frames; ++frame) {
                const float sample = ReadFloat(data.body + frame * 8 + channel * 4);
                ASSERT_TRUE(std::isfinite(sample) && std::fabs(sample) <= 1.0f);
                loudest = std::fmax(loudest, std::fabs(sample));
            }
            const unsigned char* entry = peak.body + 8 + channel * 8;
            EXPECT_EQ(ReadFloat(entry), loudest) << "channel " << channel;
            ASSERT_LT(Read32(entry + 4), frames);
            EXPECT_EQ(std::fabs(ReadFloat(data.body + Read32(entry + 4) * 8 + channel * 4)),
                      loudest);
            EXPECT_GT(loudest, 0.1f) << "a recording, not silence";
        }
    }
}

} // namespace
