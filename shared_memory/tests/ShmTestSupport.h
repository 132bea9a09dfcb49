#pragma once
// Shared memory for tests: names no other test or simulator uses, blocks laid out by hand,
// and a peer client in a second process.

#include "platform/NamedMapping.h"
#include "tests/support/TestMappingName.h"

#include <cstdint>
#include <string>

// A block made and mapped directly through the platform, for setting up what a peer left.
class RawBlock {
public:
    RawBlock(const char* name, std::uint32_t size);
    ~RawBlock();
    RawBlock(const RawBlock&) = delete;
    RawBlock& operator=(const RawBlock&) = delete;

    // False where the system makes no such block (Windows makes no empty mapping).
    bool Exists() const { return exists; }
    // Lets go of the block as a program that ends does: a POSIX block stays by its name alone.
    // A Windows block would go with its last handle, so there the handle and view are kept.
    void LeaveBehind();
    bool IsMapped() const { return mapping.Address() != nullptr; }
    unsigned char* Bytes() const { return static_cast<unsigned char*>(mapping.Address()); }
    std::size_t Size() const { return mapping.MappedSize(); }

private:
    NamedMapping mapping;
    bool exists = false;
};

// The size a view of a new block of `size` bytes covers: Windows maps whole pages.
std::size_t MappedSizeFor(std::size_t size);

// Whether a block of that name can be opened now.
bool BlockNameExists(const char* name);

// A name that the system refuses both to open and to create a block under.
const char* UnusableMappingName();

// Both processes arrive at the barrier (a 4-byte block made by the test), then go on together;
// false when the other does not come within 20 s. Two processes can meet at one barrier again
// and again.
bool MeetAtBarrier(const char* barrierName);

// Runs the peer program (tests/ShmPeer.cpp) with these arguments; true when it exits with 0.
bool RunPeer(const std::string& arguments);

// What the peer's "hold" command writes into the block.
inline constexpr std::int32_t kPeerSimulationState = 7;
inline constexpr double kPeerLatitude = 51.25;
inline constexpr std::int32_t kPeerSoundRequest = 3;
