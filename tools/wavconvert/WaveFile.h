#pragma once
// Reading the 16-bit PCM recordings and writing them in the program's sound-resource format:
// IEEE float, 2 channels, 44100 Hz, with "fact" and "PEAK" chunks ahead of "data".

#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kResourceRate = 44100;
inline constexpr int kResourceChannels = 2;

// Samples in -1..1, frames interleaved.
struct Recording {
    int rate = 0;
    int channels = 0;
    std::vector<float> samples;
};

// Parses a RIFF/WAVE file of 16-bit PCM, mono or stereo. Returns false with `error` set when
// the bytes are not such a file.
bool ReadPcmWave(const std::vector<unsigned char>& bytes, Recording& recording, std::string& error);

// Resamples (linear interpolation) to the resource rate and spreads mono to both channels.
Recording ToResourceFormat(const Recording& recording);

// The complete resource file of a recording already in the resource format.
std::vector<unsigned char> EncodeFloatWave(const Recording& recording);
