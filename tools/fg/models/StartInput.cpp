#include "tools/fg/models/StartInput.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {
// How often a quiet pipe is left for a look at the stop request.
constexpr int kWaitSliceMs = 100;
// How many quiet slices before the user hears what the program waits for.
constexpr int kQuietSlicesBeforeTelling = 10;
// The piece a whole file is read in.
constexpr std::size_t kPiece = 64 * 1024;
// The most one read asks for: a grid's hundreds of megabytes read at once would keep a stop
// waiting for all of them.
constexpr std::size_t kLargestRead = 1024 * 1024;

class NoWatch : public ReadWatch {
public:
    bool StopRequested() override { return false; }
    void Waiting(const std::string&) override {}
};

std::string SystemReason(int error) {
    return error == kNotARegularFile ? std::string("not a regular file") : std::strerror(error);
}
} // namespace

ReadWatch& NoReadWatch() {
    static NoWatch watch;
    return watch;
}

InputBytes::InputBytes(const std::string& path, FileKinds kinds, ReadWatch& watch)
    : path(path), watch(watch) {
    int error = 0;
    open = file.Open(path.c_str(), kinds == FileKinds::PipesToo, error);
    if (!open) {
        why = SystemReason(error);
    }
}

std::int64_t InputBytes::Read(char* buffer, std::size_t size) {
    if (!open || stopped) {
        return -1;
    }
    for (int quiet = 0;; ++quiet) {
        if (StopAsked()) {
            return -1;
        }
        int error = 0;
        const std::int64_t got =
            file.Read(buffer, std::min(size, kLargestRead), kWaitSliceMs, error);
        if (got != SequentialReadFile::kNothingYet) {
            if (got < 0) {
                why = SystemReason(error);
            }
            return got;
        }
        if (quiet == kQuietSlicesBeforeTelling && !waitingTold) {
            waitingTold = true;
            watch.Waiting(path);
        }
    }
}

bool InputBytes::StopAsked() {
    if (!stopped && watch.StopRequested()) {
        stopped = true;
        why = "stopped on request";
    }
    return stopped;
}

std::int64_t InputBytes::Fill(char* buffer, std::size_t size) {
    std::size_t filled = 0;
    while (filled < size) {
        const std::int64_t got = Read(buffer + filled, size - filled);
        if (got < 0) {
            return -1;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(filled);
}

WholeFile ReadWholeFile(const std::string& path, std::size_t limit, FileKinds kinds,
                        ReadWatch& watch, std::string& text, std::string& why) {
    text.clear();
    InputBytes input(path, kinds, watch);
    if (!input.IsOpen()) {
        why = input.Why();
        return WholeFile::Failed;
    }
    // One byte beyond the limit tells a file too large without reading the rest of it.
    for (;;) {
        const std::size_t had = text.size();
        const std::size_t room = std::min(kPiece, limit + 1 - had);
        text.resize(had + room);
        const std::int64_t got = input.Read(text.data() + had, room);
        text.resize(had + static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
        if (got < 0) {
            why = input.Why();
            return input.Stopped() ? WholeFile::Stopped : WholeFile::Failed;
        }
        if (got == 0) {
            return WholeFile::Read;
        }
        if (text.size() > limit) {
            why = "larger than " + SizeInWords(limit);
            text.clear();
            return WholeFile::TooLarge;
        }
    }
}

std::string SizeInWords(std::uint64_t bytes) {
    constexpr std::uint64_t kMiB = 1024 * 1024;
    if (bytes >= kMiB && bytes % kMiB == 0) {
        return std::to_string(bytes / kMiB) + " MiB";
    }
    return std::to_string(bytes) + " bytes";
}

void SkipByteOrderMark(std::string_view& text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
}

bool LoadStep(const std::string& what, std::string& error, const std::function<bool()>& step) {
    // The one place the program meets an exception: the standard library's, when memory ends.
    try {
        return step();
    } catch (const std::bad_alloc&) {
        error = "out of memory while reading " + what +
                ": it needs more memory than this machine gives the program";
        return false;
    }
}
