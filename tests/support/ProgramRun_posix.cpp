#include "tests/support/ProgramRun.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kPollMs = 20;
// Bounds the reading of what is left once the program has gone, in case a child of its own
// still holds a pipe open.
constexpr int kMaxDrainReads = 100;

bool Elapsed(std::chrono::steady_clock::time_point start, int timeoutMs) {
    return std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(timeoutMs);
}

// The test's environment with `added` ("NAME=value") in place of variables of the same name.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& added) {
    std::vector<std::string> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string entry = *variable;
        bool replaced = false;
        for (const std::string& addition : added) {
            replaced = replaced || entry.rfind(addition.substr(0, addition.find('=') + 1), 0) == 0;
        }
        if (!replaced) {
            environment.push_back(entry);
        }
    }
    environment.insert(environment.end(), added.begin(), added.end());
    return environment;
}

// Shrinks the pipe to one page and fills it.
void FillPipe(int writeEnd) {
    fcntl(writeEnd, F_SETPIPE_SZ, 4096);
    fcntl(writeEnd, F_SETFL, O_NONBLOCK);
    const std::string filler(4096, '#');
    while (write(writeEnd, filler.data(), filler.size()) > 0) {
    }
    fcntl(writeEnd, F_SETFL, 0);
}

std::string FileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void CloseFd(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

// One standard stream of the child: into a file when one is named, else into a new pipe whose
// read end is returned in `readEnd` (-1 when no pipe could be made).
void RouteStream(posix_spawn_file_actions_t& actions, int stream, const std::filesystem::path& file,
                 int& readEnd, int& writeEnd) {
    if (!file.empty()) {
        posix_spawn_file_actions_addopen(&actions, stream, file.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        return;
    }
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return;
    }
    readEnd = ends[0];
    writeEnd = ends[1];
    posix_spawn_file_actions_adddup2(&actions, writeEnd, stream);
}

} // namespace

ProgramLaunch LaunchOf(const std::string& program, const std::vector<std::string>& arguments) {
    ProgramLaunch launch;
    launch.program = program;
    launch.arguments = arguments;
    return launch;
}

ProgramRun::ProgramRun(const ProgramLaunch& launch)
    : outputFile(launch.outputFile),
      errorFile(launch.errorsWithOutput ? std::filesystem::path() : launch.errorFile) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (launch.input >= 0) {
        posix_spawn_file_actions_adddup2(&actions, launch.input, STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    if (launch.inherited >= 0) {
        posix_spawn_file_actions_adddup2(&actions, launch.inherited, kInheritedFd);
    }
    int outputWrite = -1;
    int errorWrite = -1;
    RouteStream(actions, STDOUT_FILENO, outputFile, outputFd, outputWrite);
    if (launch.errorsWithOutput) {
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    } else {
        RouteStream(actions, STDERR_FILENO, errorFile, errorFd, errorWrite);
    }
    if (launch.outputFull && outputWrite >= 0) {
        FillPipe(outputWrite);
        outputStalled = true;
    }
    std::vector<char*> argv = {const_cast<char*>(launch.program.c_str())};
    for (const std::string& argument : launch.arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<std::string> added = {"SDL_AUDIODRIVER=dummy"};
    added.insert(added.end(), launch.environment.begin(), launch.environment.end());
    std::vector<std::string> environment = EnvironmentWith(added);
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    if (posix_spawn(&pid, launch.program.c_str(), &actions, nullptr, argv.data(), envp.data()) !=
        0) {
        pid = -1;
        ended = true;
    }
    posix_spawn_file_actions_destroy(&actions);
    CloseFd(outputWrite);
    CloseFd(errorWrite);
}

ProgramRun::ProgramRun(const std::string& program, const std::vector<std::string>& arguments,
                       const std::filesystem::path& outputFile)
    : ProgramRun([&] {
          ProgramLaunch launch = LaunchOf(program, arguments);
          launch.outputFile = outputFile;
          launch.errorsWithOutput = true;
          return launch;
      }()) {}

ProgramRun::~ProgramRun() {
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    CloseFd(outputFd);
    CloseFd(errorFd);
}

bool ProgramRun::Running() {
    if (!ended && waitpid(pid, &status, WNOHANG) == pid) {
        ended = true;
    }
    return !ended;
}

void ProgramRun::Signal(int signal) {
    if (Running()) {
        kill(pid, signal);
    }
}

bool ProgramRun::ReadSome(int timeoutMs) {
    pollfd watched[2];
    std::string* into[2];
    nfds_t count = 0;
    if (outputFd >= 0 && !outputStalled) {
        watched[count] = {outputFd, POLLIN, 0};
        into[count++] = &output;
    }
    if (errorFd >= 0) {
        watched[count] = {errorFd, POLLIN, 0};
        into[count++] = &errors;
    }
    if (count == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return Running();
    }
    if (poll(watched, count, timeoutMs) <= 0) {
        return true;
    }
    for (nfds_t i = 0; i < count; ++i) {
        if (watched[i].revents == 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t got = read(watched[i].fd, buffer, sizeof buffer);
        if (got > 0) {
            into[i]->append(buffer, static_cast<std::size_t>(got));
        } else {
            CloseFd(watched[i].fd == outputFd ? outputFd : errorFd);
        }
    }
    return true;
}

bool ProgramRun::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto start = std::chrono::steady_clock::now();
    while (!done()) {
        if (!ReadSome(kPollMs) || Elapsed(start, timeoutMs)) {
            return done();
        }
    }
    return true;
}

bool ProgramRun::WaitForOutput(const std::string& text, int timeoutMs) {
    return WaitUntil([&] { return Output().find(text) != std::string::npos; }, timeoutMs);
}

bool ProgramRun::WaitForEnd(int timeoutMs) {
    WaitUntil([this] { return !Running(); }, timeoutMs);
    if (ended) {
        ReadAll();
    }
    return ended;
}

// What is left in the pipes once the program has gone, up to their end.
void ProgramRun::ReadAll() {
    outputStalled = false;
    for (int reads = 0; reads < kMaxDrainReads && (outputFd >= 0 || errorFd >= 0); ++reads) {
        ReadSome(kPollMs);
    }
}

void ProgramRun::CloseOutput() {
    CloseFd(outputFd);
}

std::string ProgramRun::Output() const {
    return outputFile.empty() ? output : FileText(outputFile);
}

std::string ProgramRun::Errors() const {
    return errorFile.empty() ? errors : FileText(errorFile);
}

int ProgramRun::ExitCode() const {
    return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ProgramRun::Account() const {
    return (ended ? DescribeEnding(status) : std::string("still running")) + ", output:\n" +
           Output() + Errors();
}

std::string DescribeEnding(int status) {
    if (WIFSIGNALED(status)) {
        return "killed by signal " + std::to_string(WTERMSIG(status));
    }
    return "exit " + std::to_string(WEXITSTATUS(status));
}
