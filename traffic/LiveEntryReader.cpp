#include "traffic/LiveEntryReader.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"
#include "traffic/BufferLines.h"
#include "traffic/DecimalText.h"

#include <algorithm>
#include <cstring>

static const char kLiveEntryReaderSourceRevision[] =
    "%Z% LiveEntryReader QX2124:02 LiveEntryReader.cpp $Revision: 1.1 $";

namespace {

ModuleRevisions revisions{
    "LiveEntryReader",           kLiveEntryReaderHeaderRevision, kLiveEntryReaderSourceRevision,
    kLiveDataFileHeaderRevision, kLiveDataFileSourceRevision,    kBufferLinesHeaderRevision,
    kBufferLinesSourceRevision};

// An entry's lines on their way to the data set reader, noting the newest position time of the
// aircraft lines among them: those the reader takes, and no others.
class TimedLines final : public LineSource {
public:
    explicit TimedLines(LineSource& lines) : lines(lines) {}

    bool ReadLine(char* buffer, int size) override {
        if (!lines.ReadLine(buffer, size)) {
            return false;
        }
        if (std::strchr(buffer, '#') == nullptr) {
            Note(buffer);
        }
        return true;
    }

    std::int64_t Newest() const { return newest; }

private:
    void Note(const char* line) {
        const char* first = std::strchr(line, '|');
        const char* second = first != nullptr ? std::strchr(first + 1, '|') : nullptr;
        if (second != nullptr) {
            newest = std::max<std::int64_t>(newest, ParseDecimalInteger(second + 1));
        }
    }

    LineSource& lines;
    std::int64_t newest = 0;
};

} // namespace

LiveEntryReader::LiveEntryReader(DataSetReader& reader) : reader(reader) {
    revisions.Register();
}

void LiveEntryReader::Start(const char* path) {
    file.Follow(path);
    readFailed = false;
    headerSeen = file.HeaderSerial();
    entryPublished = file.EntrySerial();
    holding = false;
    entryRead = false;
}

LiveOutcome LiveEntryReader::Request(std::int64_t calendarNow, std::int64_t monotonicNow) {
    LiveOutcome outcome;
    readFailed = !file.Look();
    if (readFailed) {
        outcome.failure = file.GetErrorText();
    }
    outcome.headerLine = NewHeaderLine();
    if (!readFailed && file.HasEntry() && file.EntrySerial() != entryPublished) {
        outcome.step = LiveStep::NewEntry;
        outcome.entry = ReadNewestEntry(monotonicNow);
        return outcome;
    }
    outcome.age = PublishedAge(calendarNow, monotonicNow);
    outcome.closed = file.IsClosed();
    if (holding && outcome.age >= kLiveHoldSeconds) {
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

DataSetStep LiveEntryReader::ReadNewestEntry(std::int64_t monotonicNow) {
    entryPublished = file.EntrySerial();
    const std::vector<char>& bytes = file.EntryLines();
    BufferLines lines(bytes.data(), bytes.size());
    TimedLines timed(lines);
    const DataSetStep entry = reader.ReadEntryAt(file.NewestEntry().number, timed);
    entryTime = timed.Newest();
    entrySeen = monotonicNow;
    entryRead = true;
    holding = true;
    return entry;
}

std::int64_t LiveEntryReader::PublishedAge(std::int64_t calendarNow,
                                           std::int64_t monotonicNow) const {
    if (!entryRead) {
        return -1;
    }
    if (entryTime > 0 && entryTime <= calendarNow + kFutureToleranceSeconds) {
        return std::max<std::int64_t>(0, calendarNow - entryTime);
    }
    return monotonicNow - entrySeen;
}
