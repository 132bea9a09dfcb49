#pragma once
// The hostile surroundings the fault tests put the programs in: a peer that keeps shrinking the
// block, and a /dev/shm of their own (tiny, or just private).

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>

// A peer that makes the block anew over and over, as one that opens it with O_TRUNC would:
// ftruncate to 0, then back to the block's size. It waits for the block to appear first.
class ShrinkingPeer {
public:
    ShrinkingPeer(const std::string& mappingName, off_t size);
    ~ShrinkingPeer();
    ShrinkingPeer(const ShrinkingPeer&) = delete;
    ShrinkingPeer& operator=(const ShrinkingPeer&) = delete;

private:
    pid_t pid = -1;
};

// Runs `scenario` in a child process with a /dev/shm of its own: a new tmpfs of `bytes` bytes
// in a private mount namespace. The programs it starts share that /dev/shm and no other process
// sees it, so the scenario may use the real block name. The result is the scenario's own
// (empty when all held, else what went wrong) or what ended it early; nothing when the system
// gives no private namespace (the test then needs root).
std::optional<std::string> InPrivateShm(std::size_t bytes,
                                        const std::function<std::string()>& scenario);
