#include "traffic/LiveDataFile.h"

#include "traffic/BufferLines.h"
#include "traffic/DataSetReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

extern const char kLiveDataFileSourceRevision[] =
    "%Z% LiveEntryReader QX2123:02 LiveDataFile.cpp $Revision: 1.3 $";

namespace {

constexpr char kLookLocation[] = "LiveDataFile::Look";
constexpr std::size_t kScanBufferSize = 64 * 1024;
// The end of the file searched first for the newest entry; doubled until one is found.
constexpr std::uint64_t kFirstTailWindow = 256 * 1024;
// A few of the largest entries a reader takes.
constexpr std::uint64_t kLongestSearchBack =
    4 * static_cast<std::uint64_t>(kMaxEntryLines) * kLineBufferSize;
constexpr char kEntryTagStart[] = "####_ENTRY_";
constexpr char kEntryTagClose[] = "_#";
// Enough of what was examined last to tell the file that grew from another written over it.
constexpr std::uint64_t kExaminedTailBytes = 64;
// Entry numbers of up to nine digits: more would not fit the counters.
constexpr std::size_t kMaxEntryDigits = 9;

bool Holds(const char* piece, const char* tag) {
    return std::strstr(piece, tag) != nullptr;
}

// The number of an entry tag in the piece, "####_ENTRY_", the number, "_#", written as the
// recorder writes it (no leading zero), so that it is the tag the data file's reader looks for.
bool FindEntryTag(const char* piece, std::int32_t& number) {
    for (const char* start = std::strstr(piece, kEntryTagStart); start != nullptr;
         start = std::strstr(start + 1, kEntryTagStart)) {
        const char* digits = start + sizeof kEntryTagStart - 1;
        const char* at = digits;
        std::int32_t value = 0;
        while (*at >= '0' && *at <= '9' &&
               at - digits < static_cast<std::ptrdiff_t>(kMaxEntryDigits)) {
            value = value * 10 + (*at - '0');
            ++at;
        }
        const bool canonical = at > digits && (digits[0] != '0' || at == digits + 1);
        if (canonical && std::strncmp(at, kEntryTagClose, sizeof kEntryTagClose - 1) == 0) {
            number = value;
            return true;
        }
    }
    return false;
}

const char* ReasonOf(int error) {
    return error == kNotARegularFile ? "not a regular file" : std::strerror(error);
}

} // namespace

const std::uint64_t LiveDataFile::kMaxEntryBytes =
    static_cast<std::uint64_t>(kMaxEntryLines) * kLineBufferSize;

LiveDataFile::LiveDataFile() = default;

// The buffer comes with the first look at a file: a feeder that plays its file never needs it.
char* LiveDataFile::ScanRoom() {
    if (scanBuffer.empty()) {
        scanBuffer.resize(kScanBufferSize);
    }
    return scanBuffer.data();
}

void LiveDataFile::Follow(const char* newPath) {
    path = newPath != nullptr ? newPath : "";
    Forget();
}

void LiveDataFile::Forget() {
    identity = {};
    examined = 0;
    examinedTail.clear();
    headerRead = false;
    inLongLine = false;
    state = {};
}

bool LiveDataFile::Fail(const char* what) {
    file.Close();
    ReportDetail(kLookLocation, what, path.c_str());
    return false;
}

// Another file at the name, or the file cut below what was examined: nothing known of it holds.
bool LiveDataFile::Look() {
    int error = 0;
    if (!file.Open(path.c_str(), error)) {
        return Fail(ReasonOf(error));
    }
    const FileIdentity now = file.Identity();
    std::uint64_t size = 0;
    if (!now.exists || !file.Size(size, error)) {
        return Fail(ReasonOf(now.exists ? error : EIO));
    }
    if (!identity.exists || now.device != identity.device || now.file != identity.file ||
        size < examined || !ExaminedTailStands()) {
        Forget();
        identity = now;
    }
    const bool examinedAll = headerRead
                                 ? ExamineGrowth(size)
                                 : ReadHeader(size) && (!headerRead || SearchBackForEntry(size));
    // A look broken off part way leaves nothing known that the next look could go on from.
    if (!examinedAll) {
        Forget();
        return false;
    }
    const bool ok =
        (!state.hasEntry || entryLinesSerial == entrySerial || ReadEntryLines()) &&
        (ReadExaminedTail(examinedTail) || Fail("the file was cut short while it was read"));
    file.Close();
    return ok;
}

// A recorder started again on the file (or a new file that got the old one's number) may have
// written it past what was examined before the next look: the bytes just before that point tell
// it from the file that grew.
bool LiveDataFile::ExaminedTailStands() {
    std::string now;
    return ReadExaminedTail(now) && now == examinedTail;
}

bool LiveDataFile::ReadExaminedTail(std::string& tail) {
    const std::uint64_t from = examined - std::min(examined, kExaminedTailBytes);
    tail.resize(static_cast<std::size_t>(examined - from));
    int error = 0;
    return tail.empty() || file.ReadAt(from, tail.data(), tail.size(), error) ==
                               static_cast<std::int64_t>(tail.size());
}

// The header is the file's first line as the data file's reader takes it: up to its line feed,
// or its first kLineBufferSize-1 bytes when it is longer (the rest of it is then examined as the
// lines after it, as that reader reads them). Kept only once complete, so that a first line that
// never ends costs a look no more than its first bytes.
bool LiveDataFile::ReadHeader(std::uint64_t size) {
    int error = 0;
    const std::int64_t got = file.ReadAt(
        0, ScanRoom(), static_cast<std::size_t>(std::min<std::uint64_t>(kLineBufferSize, size)),
        error);
    if (got < 0) {
        return Fail(ReasonOf(error));
    }
    BufferLines lines(scanBuffer.data(), static_cast<std::size_t>(got));
    char piece[kLineBufferSize];
    if (!lines.ReadLine(piece, kLineBufferSize)) {
        return true;
    }
    const std::size_t taken = static_cast<std::size_t>(got) - lines.Remaining();
    const char last = scanBuffer[taken - 1];
    // A carriage return that ends the piece may yet be joined by its line feed.
    const bool complete =
        last == '\n' || (taken >= kLineBufferSize - 1 && (last != '\r' || lines.Remaining() > 0));
    if (complete) {
        header.assign(scanBuffer.data(), taken);
        examined = taken;
        headerRead = true;
        ++headerSerial;
    }
    return true;
}

// The end of the file is searched first, in a window that doubles until it holds a complete
// entry or reaches the header: a day-long file costs about twice its newest entry. A recorder's
// newest complete entry lies within an entry or two of the end; one farther back than
// kLongestSearchBack is no live entry, and the file is followed from its end on instead of being
// read whole (a huge file of anything but entries would hold up the look).
bool LiveDataFile::SearchBackForEntry(std::uint64_t size) {
    const std::uint64_t afterHeader = examined;
    for (std::uint64_t window = kFirstTailWindow;; window *= 2) {
        state = {};
        if (window >= size - afterHeader) {
            inLongLine = false;
            return Scan(afterHeader, size);
        }
        // The window's first line may begin before it: passed over up to its line feed, which
        // may be the byte before the window.
        inLongLine = true;
        if (!Scan(size - window - 1, size)) {
            return false;
        }
        if (state.hasEntry || window >= kLongestSearchBack) {
            return true;
        }
    }
}

// What was appended since the last look is examined as it stands, unless it is more than a
// recorder's newest entries take: then, as at the first look, only the end of the file is searched
// (a huge append of anything but entries, a sparse extension of many gigabytes, would hold up the
// look, and with it the frames, the alerts and a stop). What was known holds until the end of the
// file shows a newer entry.
bool LiveDataFile::ExamineGrowth(std::uint64_t size) {
    if (size - examined <= kLongestSearchBack) {
        return Scan(examined, size);
    }
    const ScanState before = state;
    if (!SearchBackForEntry(size)) {
        return false;
    }
    if (!state.hasEntry) {
        state.hasEntry = before.hasEntry;
        state.newest = before.newest;
    }
    return true;
}

// Examines the complete lines from `from` (the start of a line, or a point within a line passed
// over) up to `to`; `examined` ends after the last of them.
bool LiveDataFile::Scan(std::uint64_t from, std::uint64_t to) {
    std::uint64_t at = from;
    while (at < to) {
        int error = 0;
        const std::int64_t got =
            file.ReadAt(at, ScanRoom(), std::min<std::uint64_t>(kScanBufferSize, to - at), error);
        if (got < 0) {
            return Fail(ReasonOf(error));
        }
        if (got == 0) {
            break;
        }
        const char* const begin = scanBuffer.data();
        const char* const end = begin + got;
        const char* line = begin;
        while (const void* found = std::memchr(line, '\n', static_cast<std::size_t>(end - line))) {
            const char* next = static_cast<const char*>(found) + 1;
            if (inLongLine) {
                inLongLine = false;
            } else {
                Examine(line, static_cast<std::size_t>(next - line), at + (line - begin));
            }
            line = next;
        }
        if (line == begin) {
            // No line feed in a full buffer with more to come: a line longer than any reader
            // takes whole, passed over. Otherwise the line is still being written.
            if (static_cast<std::size_t>(got) < scanBuffer.size() ||
                at + static_cast<std::uint64_t>(got) >= to) {
                break;
            }
            inLongLine = true;
            at += static_cast<std::uint64_t>(got);
            continue;
        }
        at += static_cast<std::uint64_t>(line - begin);
    }
    examined = at;
    return true;
}

// Nearly every line is an aircraft line without the tag mark, settled by one search. A line that
// may hold a tag is taken in the pieces the data file's reader cuts it into, each as far as its
// first NUL byte, so that a tag counts where and only where that reader finds it.
void LiveDataFile::Examine(const char* bytes, std::size_t length, std::uint64_t at) {
    if (std::memchr(bytes, '#', length) == nullptr) {
        return;
    }
    BufferLines pieces(bytes, length);
    char piece[kLineBufferSize];
    for (std::uint64_t begin = at; pieces.ReadLine(piece, kLineBufferSize);) {
        const std::uint64_t end = at + (length - pieces.Remaining());
        ExaminePiece(piece, begin, end);
        begin = end;
    }
}

// The tests in the order of the data file's reader: within an entry only its end tag counts (a
// newer entry's tag starts that entry, whose lines a play of it reads the same way); outside
// one the begin tag, the end tag, then an entry's tag.
void LiveDataFile::ExaminePiece(const char* piece, std::uint64_t begin, std::uint64_t end) {
    std::int32_t number = 0;
    if (Holds(piece, kEntryEndTag)) {
        if (state.inEntry) {
            state.open.linesEnd = begin;
            state.newest = state.open;
            state.hasEntry = true;
            state.inEntry = false;
            ++entrySerial;
        }
    } else if (Holds(piece, kBeginTag)) {
        return;
    } else if (Holds(piece, kEndTag)) {
        state.closed = state.closed || !state.inEntry;
    } else if (FindEntryTag(piece, number)) {
        state.inEntry = true;
        state.open = {number, end, 0};
        state.closed = false;
    }
}

bool LiveDataFile::ReadEntryLines() {
    const LiveEntry& entry = state.newest;
    const std::uint64_t length = std::min(entry.linesEnd - entry.linesBegin, kMaxEntryBytes);
    entryLines.resize(static_cast<std::size_t>(length));
    for (std::uint64_t got = 0; got < length;) {
        int error = 0;
        const std::int64_t read = file.ReadAt(entry.linesBegin + got, entryLines.data() + got,
                                              static_cast<std::size_t>(length - got), error);
        if (read <= 0) {
            return Fail(read < 0 ? ReasonOf(error) : "the file was cut short while it was read");
        }
        got += static_cast<std::uint64_t>(read);
    }
    entryLinesSerial = entrySerial;
    return true;
}
