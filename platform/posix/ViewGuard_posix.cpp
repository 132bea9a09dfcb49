// The SIGBUS side of ViewGuard: a fixed table of watched views that the signal handler reads
// with lock-free atomics only, as a handler may interrupt any code, the table's own included.

#include "platform/ViewGuard.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>

[[maybe_unused]] static const char kViewGuardPosixRevision[] =
    "%Z% NamedMapping QX4001:04 ViewGuard_posix.cpp $Revision: 1.1 $";

namespace {

// A place is claimed through `taken`; `begin` is published last, so the handler sees either no
// view or a complete one.
struct WatchedView {
    std::atomic<bool> taken{false};
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::size_t> length{0};
    std::atomic<bool> lost{false};
};

static_assert(std::atomic<std::uintptr_t>::is_always_lock_free &&
              std::atomic<std::size_t>::is_always_lock_free &&
              std::atomic<bool>::is_always_lock_free);

WatchedView watched[ViewGuard::kMaxWatchedViews];
struct sigaction previousAction {};

// Zero pages in place of the whole view: the faulting access and every later one complete.
bool ReplaceLostView(std::uintptr_t address) {
    for (WatchedView& view : watched) {
        const std::uintptr_t begin = view.begin.load(std::memory_order_acquire);
        const std::size_t length = view.length.load(std::memory_order_relaxed);
        if (begin == 0 || address < begin || address - begin >= length) {
            continue;
        }
        void* zeroes = mmap(reinterpret_cast<void*>(begin), length, PROT_READ | PROT_WRITE,
                            MAP_FIXED | MAP_ANONYMOUS | MAP_PRIVATE, -1, 0);
        if (zeroes == MAP_FAILED) {
            return false;
        }
        view.lost.store(true, std::memory_order_release);
        return true;
    }
    return false;
}

// Whatever would have happened without the guard: the handler that was there before, or the
// default action, which ends the process (a fault repeats when the handler returns; a SIGBUS
// sent by kill is raised again and delivered once this handler returns).
void PassOn(int signal, siginfo_t* info, void* context) {
    if ((previousAction.sa_flags & SA_SIGINFO) != 0 && previousAction.sa_sigaction != nullptr) {
        previousAction.sa_sigaction(signal, info, context);
        return;
    }
    if (previousAction.sa_handler != SIG_DFL && previousAction.sa_handler != SIG_IGN) {
        previousAction.sa_handler(signal);
        return;
    }
    const bool sent = info->si_code <= 0;
    if (sent && previousAction.sa_handler == SIG_IGN) {
        return;
    }
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

void OnBusError(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    const bool fault = info->si_code > 0; // raised by the kernel, not sent
    if (!fault || !ReplaceLostView(reinterpret_cast<std::uintptr_t>(info->si_addr))) {
        PassOn(signal, info, context);
    }
    errno = savedErrno;
}

void InstallHandler() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, &previousAction);
    });
}

} // namespace

bool ViewGuard::Watch(void* address, std::size_t length) {
    Release();
    InstallHandler();
    for (int place = 0; place < kMaxWatchedViews; ++place) {
        bool expected = false;
        WatchedView& view = watched[place];
        if (view.taken.compare_exchange_strong(expected, true)) {
            view.lost.store(false);
            view.length.store(length);
            view.begin.store(reinterpret_cast<std::uintptr_t>(address), std::memory_order_release);
            slot = place;
            return true;
        }
    }
    return false;
}

void ViewGuard::Release() {
    if (slot < 0) {
        return;
    }
    WatchedView& view = watched[slot];
    view.begin.store(0, std::memory_order_release);
    view.lost.store(false);
    view.taken.store(false, std::memory_order_release);
    slot = -1;
}

bool ViewGuard::Lost() const {
    return slot >= 0 && watched[slot].lost.load(std::memory_order_acquire);
}
