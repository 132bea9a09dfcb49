#pragma once
// Names that no other test or fuzzing process on this machine uses at the same time (mappings,
// temporary files): a random part per process and a serial number per call.

#include <atomic>
#include <chrono>
#include <random>
#include <string>

inline std::string UniqueName(const std::string& stem) {
    static const std::string processPart = [] {
        std::random_device random;
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        return std::to_string(random()) + "_" + std::to_string(now % 1000000007);
    }();
    static std::atomic<int> serial{0};
    return stem + "_" + processPart + "_" + std::to_string(serial++);
}
