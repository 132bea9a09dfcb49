#pragma once
// Programs of this project run as an operator runs them beside a simulator, and the two kinds
// of hostile surroundings the fault tests put them in: a /dev/shm of their own (tiny, or just
// private) and a peer that keeps shrinking the block.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// A program started with its standard input on /dev/null and both output streams into one
// file, without a sound device (SDL's dummy driver). It is killed when the object goes.
class ProgramRun {
public:
    ProgramRun(const std::string& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& outputFile);
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    bool Running();
    // Until the output holds `text`; false when the time is up or the program has ended.
    bool WaitForOutput(const std::string& text, int timeoutMs);
    // False when the program has not ended within timeoutMs.
    bool WaitForEnd(int timeoutMs);
    void Signal(int signal);

    std::string Output() const;
    bool ExitedWith(int code) const;
    // How it ended, and what it wrote, for a failure's message.
    std::string Account() const;

private:
    pid_t pid = -1;
    bool ended = false;
    int status = 0;
    std::filesystem::path outputFile;
};

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
