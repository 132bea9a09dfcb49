#include "traffic/LiveEntryReader.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"
#include "traffic/BufferLines.h"
#include "traffic/DecimalText.h"

#include <algorithm>
#include <cstring>

static const char kLiveEntryReaderSourceRevision[] =
    "%Z% LiveEntryReader QX2124:02 LiveEntryReader.cpp $Revision: 1.2 $";

namespace {

ModuleRevisions revisions{
    "LiveEntryReader",           kLiveEntryReaderHeaderRevision, kLiveEntryReaderSourceRevision,
    kLiveDataFileHeaderRevision, kLiveDataFileSourceRevision,    kBufferLinesHeaderRevision,
    kBufferLinesSourceRevision};

// The newest position time of an entry's aircraft lines: those the data set reader takes, and no
// others (at most kMaxEntryLines lines, up to an entry end tag).
std::int64_t NewestPositionTime(const std::vector<char>& bytes) {
    BufferLines lines(bytes.data(), bytes.size());
    char line[kLineBufferSize];
    std::int64_t newest = 0;
    for (std::int32_t count = 0; count < kMaxEntryLines && lines.ReadLine(line, kLineBufferSize);
         ++count) {
        if (std::strchr(line, '#') != nullptr) {
            if (std::strstr(line, kEntryEndTag) != nullptr) {
                break;
            }
            continue;
        }
        const char* first = std::strchr(line, '|');
        const char* second = first != nullptr ? std::strchr(first + 1, '|') : nullptr;
        if (second != nullptr) {
            newest = std::max<std::int64_t>(newest, ParseDecimalInteger(second + 1));
        }
    }
    return newest;
}

} // namespace

LiveEntryReader::LiveEntryReader(DataSetReader& reader) : reader(reader) {
    revisions.Register();
}

void LiveEntryReader::Start(const char* path) {
    file.Follow(path);
    readFailed = false;
    headerSeen = file.HeaderSerial();
    entrySeen = file.EntrySerial();
    holding = false;
    published = {};
    newest = {};
}

LiveOutcome LiveEntryReader::Request(Clock& clock) {
    LiveOutcome outcome;
    readFailed = !file.Look();
    const std::int64_t calendarNow = clock.NowSeconds();
    const std::int64_t monotonicNow = clock.MonotonicSeconds();
    if (readFailed) {
        outcome.failure = file.GetErrorText();
    }
    outcome.headerLine = NewHeaderLine();
    if (!readFailed && file.HasEntry() && file.EntrySerial() != entrySeen &&
        TakesNewEntry(calendarNow, monotonicNow)) {
        outcome.step = LiveStep::NewEntry;
        outcome.entry = ReadNewestEntry();
        return outcome;
    }
    outcome.age = newest.Age(calendarNow, monotonicNow);
    outcome.closed = file.IsClosed();
    if (holding && published.Age(calendarNow, monotonicNow) >= kLiveHoldSeconds) {
        holding = false;
        outcome.step = LiveStep::Withdraw;
    }
    return outcome;
}

// Each file's header line once it is complete: a file put in the place of another names its own
// recording.
const char* LiveEntryReader::NewHeaderLine() {
    if (file.HeaderSerial() == headerSeen) {
        return nullptr;
    }
    headerSeen = file.HeaderSerial();
    const std::string& bytes = file.HeaderBytes();
    BufferLines lines(bytes.data(), bytes.size());
    if (!lines.ReadLine(headerLine, kLineBufferSize)) {
        return nullptr;
    }
    StripNewline(headerLine);
    return headerLine;
}

// The file's newest entry, judged once: published when it moves forward and is not too old.
bool LiveEntryReader::TakesNewEntry(std::int64_t calendarNow, std::int64_t monotonicNow) {
    entrySeen = file.EntrySerial();
    const EntryTime entry{true, NewestPositionTime(file.EntryLines()), monotonicNow};
    const bool behind =
        newest.IsUsable(calendarNow) && entry.IsUsable(calendarNow) && entry.time <= newest.time;
    if (behind) {
        return false;
    }
    newest = entry;
    if (entry.Age(calendarNow, monotonicNow) >= kLiveHoldSeconds) {
        return false;
    }
    published = entry;
    holding = true;
    return true;
}

DataSetStep LiveEntryReader::ReadNewestEntry() {
    const std::vector<char>& bytes = file.EntryLines();
    BufferLines lines(bytes.data(), bytes.size());
    return reader.ReadEntryAt(file.NewestEntry().number, lines);
}

std::int64_t LiveEntryReader::EntryTime::Age(std::int64_t calendarNow,
                                             std::int64_t monotonicNow) const {
    if (!known) {
        return -1;
    }
    if (IsUsable(calendarNow)) {
        return std::max<std::int64_t>(0, calendarNow - time);
    }
    return monotonicNow - seen;
}
