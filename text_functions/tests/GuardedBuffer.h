#pragma once
// Shared by the tests of the bounded writes and of the position texts.

#include <cstddef>
#include <vector>

// A buffer with guard bytes on both sides, to catch writes outside the part handed out.
struct GuardedBuffer {
    static constexpr int kGuard = 8;
    explicit GuardedBuffer(int size) : bytes(static_cast<size_t>(size + 2 * kGuard), '#') {}
    char* Data() { return bytes.data() + kGuard; }
    bool GuardsIntact(int size) const {
        for (int i = 0; i < kGuard; ++i) {
            if (bytes[static_cast<size_t>(i)] != '#' ||
                bytes[static_cast<size_t>(kGuard + size + i)] != '#') {
                return false;
            }
        }
        return true;
    }
    std::vector<char> bytes;
};
