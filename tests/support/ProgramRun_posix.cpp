#include "robustness/tests/ProgramRun.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

constexpr auto kPoll = std::chrono::milliseconds(20);

bool Elapsed(std::chrono::steady_clock::time_point start, int timeoutMs) {
    return std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(timeoutMs);
}

} // namespace

ProgramRun::ProgramRun(const std::string& program, const std::vector<std::string>& arguments,
                       const std::filesystem::path& outputFile)
    : outputFile(outputFile) {
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
        ended = true;
    }
    posix_spawn_file_actions_destroy(&actions);
}

ProgramRun::~ProgramRun() {
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

bool ProgramRun::Running() {
    if (!ended && waitpid(pid, &status, WNOHANG) == pid) {
        ended = true;
    }
    return !ended;
}

bool ProgramRun::WaitForOutput(const std::string& text, int timeoutMs) {
    const auto start = std::chrono::steady_clock::now();
    while (Output().find(text) == std::string::npos) {
        if (!Running() || Elapsed(start, timeoutMs)) {
            return Output().find(text) != std::string::npos;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

bool ProgramRun::WaitForEnd(int timeoutMs) {
    const auto start = std::chrono::steady_clock::now();
    while (Running() && !Elapsed(start, timeoutMs)) {
        std::this_thread::sleep_for(kPoll);
    }
    return !Running();
}

void ProgramRun::Signal(int signal) {
    if (Running()) {
        kill(pid, signal);
    }
}

std::string ProgramRun::Output() const {
    std::ifstream file(outputFile, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool ProgramRun::ExitedWith(int code) const {
    return ended && WIFEXITED(status) && WEXITSTATUS(status) == code;
}

std::string ProgramRun::Account() const {
    return (ended ? DescribeEnding(status) : std::string("still running")) + ", output:\n" +
           Output();
}

std::string DescribeEnding(int status) {
    if (WIFSIGNALED(status)) {
        return "killed by signal " + std::to_string(WTERMSIG(status));
    }
    return "exit " + std::to_string(WEXITSTATUS(status));
}
