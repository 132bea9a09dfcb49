#include "robustness/tests/ProgramRun.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sched.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

constexpr auto kPoll = std::chrono::milliseconds(20);
// A scenario's child says so when the system refuses it a namespace.
constexpr int kNoNamespace = 77;

bool Elapsed(std::chrono::steady_clock::time_point start, int timeoutMs) {
    return std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(timeoutMs);
}

void WriteAll(int fd, const std::string& text) {
    for (std::size_t written = 0; written < text.size();) {
        const ssize_t count = write(fd, text.data() + written, text.size() - written);
        if (count <= 0) {
            return;
        }
        written += static_cast<std::size_t>(count);
    }
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t count; (count = read(fd, buffer, sizeof buffer)) != 0;) {
        if (count < 0 && errno != EINTR) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(count > 0 ? count : 0));
    }
    return text;
}

std::string DescribeStatus(int status) {
    if (WIFSIGNALED(status)) {
        return "killed by signal " + std::to_string(WTERMSIG(status));
    }
    return "exit " + std::to_string(WEXITSTATUS(status));
}

bool EnterPrivateShm(std::size_t bytes) {
    const std::string options = "size=" + std::to_string(bytes) + ",mode=1777";
    return unshare(CLONE_NEWNS) == 0 &&
           mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount("tmpfs", "/dev/shm", "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
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
    return (ended ? DescribeStatus(status) : std::string("still running")) + ", output:\n" +
           Output();
}

ShrinkingPeer::ShrinkingPeer(const std::string& mappingName, off_t size) {
    const std::string objectName = "/" + mappingName;
    pid = fork();
    if (pid != 0) {
        return;
    }
    prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlives the test
    int fd = -1;
    for (int tries = 0; fd < 0 && tries < 10000; ++tries) {
        fd = shm_open(objectName.c_str(), O_RDWR, 0);
        if (fd < 0) {
            usleep(1000);
        }
    }
    while (fd >= 0 && ftruncate(fd, 0) == 0 && ftruncate(fd, size) == 0) {
    }
    _exit(1);
}

ShrinkingPeer::~ShrinkingPeer() {
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

std::optional<std::string> InPrivateShm(std::size_t bytes,
                                        const std::function<std::string()>& scenario) {
    int result[2];
    if (pipe(result) != 0) {
        return "no pipe";
    }
    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0); // its programs with it, so that whatever they leave can be ended at once
        close(result[0]);
        if (!EnterPrivateShm(bytes)) {
            _exit(kNoNamespace);
        }
        WriteAll(result[1], scenario());
        _exit(0);
    }
    close(result[1]);
    const std::string text = ReadAll(result[0]);
    close(result[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) {
        return "no scenario process";
    }
    kill(-child, SIGKILL);
    if (WIFEXITED(status) && WEXITSTATUS(status) == kNoNamespace) {
        return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return "the scenario itself was " + DescribeStatus(status) + text;
    }
    return text;
}
