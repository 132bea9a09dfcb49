#pragma once
// The visual block as the tests look at it and set it up, shared by the tests of the client.

#include "shared_memory/VisualShm.h"
#include "shared_memory/tests/ShmTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

inline constexpr char kMismatchText[] =
    "CVisShm::CVisShm\nShared Memory Version Mismatch\nPlease rebuild software";

inline VisualInterfaceBlock* BlockOf(const CVisShm& client) {
    return static_cast<VisualInterfaceBlock*>(client.GetBlock());
}

inline VisualInterfaceBlock* BlockOf(const RawBlock& raw) {
    return reinterpret_cast<VisualInterfaceBlock*>(raw.Bytes());
}

// A block as a compatible peer leaves it: this build's tag and the given count.
inline void PrepareBlock(const RawBlock& raw, std::int32_t count) {
    std::memcpy(BlockOf(raw)->versionTag, "QXXXXX", 6);
    BlockOf(raw)->attachCount = count;
}

// The block as its creator starts it: this build's tag, count 1, every other byte 0.
inline void ExpectFreshBlock(const VisualInterfaceBlock& block, const char* label) {
    VisualInterfaceBlock expected{};
    std::memcpy(expected.versionTag, "QXXXXX", 6);
    expected.attachCount = 1;
    EXPECT_EQ(std::memcmp(&block, &expected, sizeof expected), 0) << label;
}
