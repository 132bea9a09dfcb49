#include "tests/robustness/HostileShm.h"

#include "tests/support/ProgramRun.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A scenario's child says so when the system refuses it a namespace.
constexpr int kNoNamespace = 77;

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

bool EnterPrivateShm(std::size_t bytes) {
    const std::string options = "size=" + std::to_string(bytes) + ",mode=1777";
    return unshare(CLONE_NEWNS) == 0 &&
           mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount("tmpfs", "/dev/shm", "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

} // namespace

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
        return "the scenario itself was " + DescribeEnding(status) + text;
    }
    return text;
}
