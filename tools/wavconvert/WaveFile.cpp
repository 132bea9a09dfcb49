#include "tools/wavconvert/WaveFile.h"

#include <cmath>
#include <cstring>

namespace {
constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint32_t kFloatBytes = 4;

std::uint32_t Read32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint16_t Read16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void Put32(std::vector<unsigned char>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<unsigned char>(value >> shift));
    }
}

void Put16(std::vector<unsigned char>& out, std::uint16_t value) {
    out.push_back(static_cast<unsigned char>(value));
    out.push_back(static_cast<unsigned char>(value >> 8));
}

void PutTag(std::vector<unsigned char>& out, const char (&tag)[5]) {
    // Byte by byte: GCC 12 misreads a range insert into an empty vector as an overflow.
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<unsigned char>(tag[i]));
    }
}

void PutFloat(std::vector<unsigned char>& out, float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    Put32(out, bits);
}

struct Chunk {
    const unsigned char* body;
    std::uint32_t size;
};

// Finds chunk `tag` among the chunks that follow the RIFF header.
bool FindChunk(const std::vector<unsigned char>& bytes, const char* tag, Chunk& chunk) {
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::uint32_t size = Read32(&bytes[at + 4]);
        if (size > bytes.size() - at - 8) {
            return false;
        }
        if (std::memcmp(&bytes[at], tag, 4) == 0) {
            chunk = Chunk{&bytes[at + 8], size};
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

float SampleAt(const Recording& recording, std::size_t frame, int channel, std::size_t frames) {
    const std::size_t source = recording.channels == 1 ? 0 : static_cast<std::size_t>(channel);
    const std::size_t last = frames - 1;
    return recording.samples[(frame < last ? frame : last) * recording.channels + source];
}

} // namespace

bool ReadPcmWave(const std::vector<unsigned char>& bytes, Recording& recording,
                 std::string& error) {
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(&bytes[8], "WAVE", 4) != 0) {
        error = "not a RIFF/WAVE file";
        return false;
    }
    Chunk format{};
    Chunk data{};
    if (!FindChunk(bytes, "fmt ", format) || format.size < 16 || !FindChunk(bytes, "data", data)) {
        error = "no complete \"fmt \" and \"data\" chunks";
        return false;
    }
    const int channels = Read16(format.body + 2);
    if (Read16(format.body) != kFormatPcm || Read16(format.body + 14) != 16 || channels < 1 ||
        channels > 2) {
        error = "not 16-bit PCM with one or two channels";
        return false;
    }
    recording.rate = static_cast<int>(Read32(format.body + 4));
    recording.channels = channels;
    recording.samples.clear();
    for (std::uint32_t at = 0; at + 2 <= data.size; at += 2) {
        recording.samples.push_back(static_cast<std::int16_t>(Read16(data.body + at)) / 32768.0f);
    }
    recording.samples.resize(recording.samples.size() - recording.samples.size() % channels);
    if (recording.rate <= 0 || recording.samples.empty()) {
        error = "no samples";
        return false;
    }
    return true;
}

Recording ToResourceFormat(const Recording& recording) {
    const std::size_t frames = recording.samples.size() / recording.channels;
    const double step = static_cast<double>(recording.rate) / kResourceRate;
    const auto outFrames = static_cast<std::size_t>(std::llround(frames / step));
    Recording out{kResourceRate, kResourceChannels, {}};
    out.samples.reserve(outFrames * kResourceChannels);
    for (std::size_t i = 0; i < outFrames; ++i) {
        const double position = i * step;
        const auto frame = static_cast<std::size_t>(position);
        const auto fraction = static_cast<float>(position - frame);
        for (int channel = 0; channel < kResourceChannels; ++channel) {
            const float a = SampleAt(recording, frame, channel, frames);
            const float b = SampleAt(recording, frame + 1, channel, frames);
            out.samples.push_back(a + (b - a) * fraction);
        }
    }
    return out;
}

std::vector<unsigned char> EncodeFloatWave(const Recording& recording) {
    const auto channels = static_cast<std::uint16_t>(recording.channels);
    const auto frames = static_cast<std::uint32_t>(recording.samples.size() / channels);
    const std::uint32_t blockAlign = channels * kFloatBytes;
    const std::uint32_t dataSize = frames * blockAlign;
    const std::uint32_t peakSize = 8 + 8 * channels;

    std::vector<unsigned char> out;
    PutTag(out, "RIFF");
    Put32(out, 4 + (8 + 18) + (8 + 4) + (8 + peakSize) + (8 + dataSize));
    PutTag(out, "WAVE");

    PutTag(out, "fmt ");
    Put32(out, 18);
    Put16(out, kFormatFloat);
    Put16(out, channels);
    Put32(out, static_cast<std::uint32_t>(recording.rate));
    Put32(out, static_cast<std::uint32_t>(recording.rate) * blockAlign);
    Put16(out, static_cast<std::uint16_t>(blockAlign));
    Put16(out, 8 * kFloatBytes);
    Put16(out, 0); // no format extension

    PutTag(out, "fact");
    Put32(out, 4);
    Put32(out, frames);

    // Peak level and its frame for each channel; a time stamp of 0 keeps builds reproducible.
    PutTag(out, "PEAK");
    Put32(out, peakSize);
    Put32(out, 1);
    Put32(out, 0);
    for (int channel = 0; channel < channels; ++channel) {
        float peak = 0.0f;
        std::uint32_t peakFrame = 0;
        for (std::uint32_t frame = 0; frame < frames; ++frame) {
            const float level = std::fabs(recording.samples[frame * channels + channel]);
            if (level > peak) {
                peak = level;
                peakFrame = frame;
            }
        }
        PutFloat(out, peak);
        Put32(out, peakFrame);
    }

    PutTag(out, "data");
    Put32(out, dataSize);
    for (float sample : recording.samples) {
        PutFloat(out, sample);
    }
    return out;
}
