#pragma once
// Programs of this project run as their users run them: a process of its own, started from a
// shell or a service manager, its output read by another program.

#include <filesystem>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

// The descriptor a program finds ProgramLaunch::inherited on, named /dev/fd/3.
inline constexpr int kInheritedFd = 3;

// How a program is started. Its standard input is /dev/null unless `input` names a descriptor;
// its standard output and error come on pipes that the run reads, unless sent into files. It
// needs no sound device (SDL's dummy driver is set).
struct ProgramLaunch {
    std::string program;
    std::vector<std::string> arguments;
    // "NAME=value", each in place of a variable of the same name in the test's environment.
    std::vector<std::string> environment;
    int input = -1;
    int inherited = -1;               // handed on as kInheritedFd when not -1
    std::filesystem::path outputFile; // standard output into this file rather than a pipe
    std::filesystem::path errorFile;  // standard error likewise ("/dev/null" drops it)
    bool errorsWithOutput = false;    // standard error where standard output goes
    // The output pipe is full from the start and not read while the program runs, as when the
    // reader of its log has stopped reading.
    bool outputFull = false;
};

// The program with these arguments, its output on pipes.
ProgramLaunch LaunchOf(const std::string& program, const std::vector<std::string>& arguments);

// A program started at construction and killed, if it still runs, when the object goes.
class ProgramRun {
public:
    explicit ProgramRun(const ProgramLaunch& launch);
    // Both output streams into one file.
    ProgramRun(const std::string& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& outputFile);
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    bool Started() const { return pid > 0; }
    pid_t Pid() const { return pid; }
    // Collects the wait status once the program has ended.
    bool Running();
    void Signal(int signal);

    // Reads the program's pipes until `done` holds; false when the time is up or nothing more
    // can come (`done` is asked a last time then).
    bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
    // Until the output holds `text`.
    bool WaitForOutput(const std::string& text, int timeoutMs);
    // False when the program has not ended within timeoutMs; once it has, what is left in its
    // pipes is read.
    bool WaitForEnd(int timeoutMs);
    // The reader of the standard output goes, as `head -1` does after its line.
    void CloseOutput();

    // What the program wrote so far, from the pipe or the file.
    std::string Output() const;
    std::string Errors() const;
    bool Ended() const { return ended; }
    int Status() const { return status; } // the wait status once ended
    // The exit code; -1 before the end, or when a signal ended the program.
    int ExitCode() const;
    bool ExitedWith(int code) const { return ExitCode() == code; }
    // How it ended, and what it wrote, for a failure's message.
    std::string Account() const;

private:
    // Reads what is ready within timeoutMs; false when nothing more can come.
    bool ReadSome(int timeoutMs);
    void ReadAll();

    pid_t pid = -1;
    bool ended = false;
    int status = 0;
    int outputFd = -1;
    int errorFd = -1;
    bool outputStalled = false;
    std::string output;
    std::string errors;
    std::filesystem::path outputFile;
    std::filesystem::path errorFile;
};

// "exit N" or "killed by signal N", for a wait status.
std::string DescribeEnding(int status);
