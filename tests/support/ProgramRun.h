#pragma once
// Programs of this project run as an operator runs them beside a simulator.

#include <filesystem>
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

// "exit N" or "killed by signal N", for a wait status.
std::string DescribeEnding(int status);
