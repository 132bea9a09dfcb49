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

constexpr int kStatusSize = 128;
constexpr char kClosedNote[] = " :: recording closed";

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

LiveEntryReader::LiveEntryReader(DataSetReaderOwner& owner, DataSetReader& reader)
    : owner(owner), reader(reader) {
    revisions.Register();
}

void LiveEntryReader::Start(const char* path) {
    file.Follow(path);
    readFailed = false;
    headerShown = file.HeaderSerial();
    entryPublished = file.EntrySerial();
    holding = false;
    entryRead = false;
}

LiveStep LiveEntryReader::Request(std::int64_t calendarNow, std::int64_t monotonicNow) {
    readFailed = !file.Look();
    if (readFailed) {
        owner.SetMessageText(file.GetErrorText());
    }
    ShowNewHeader();
    if (!readFailed && file.HasEntry() && file.EntrySerial() != entryPublished) {
        ReadNewestEntry(monotonicNow);
        return LiveStep::NewEntry;
    }
    WriteStatus(calendarNow, monotonicNow);
    if (holding && PublishedAge(calendarNow, monotonicNow) >= kLiveHoldSeconds) {
        holding = false;
        return LiveStep::Withdraw;
    }
    return LiveStep::NothingNew;
}

// Each file's header line once it is complete: a file put in the place of another names its own
// recording.
void LiveEntryReader::ShowNewHeader() {
    if (file.HeaderSerial() == headerShown) {
        return;
    }
    headerShown = file.HeaderSerial();
    const std::string& bytes = file.HeaderBytes();
    BufferLines lines(bytes.data(), bytes.size());
    char line[kLineBufferSize];
    if (lines.ReadLine(line, kLineBufferSize)) {
        reader.ShowHeaderLine(line);
    }
}

void LiveEntryReader::ReadNewestEntry(std::int64_t monotonicNow) {
    entryPublished = file.EntrySerial();
    const std::vector<char>& bytes = file.EntryLines();
    BufferLines lines(bytes.data(), bytes.size());
    TimedLines timed(lines);
    reader.ReadEntryAt(file.NewestEntry().number, timed);
    entryTime = timed.Newest();
    entrySeen = monotonicNow;
    entryRead = true;
    holding = true;
}

void LiveEntryReader::WriteStatus(std::int64_t calendarNow, std::int64_t monotonicNow) {
    char status[kStatusSize];
    const char* closed = file.IsClosed() ? kClosedNote : "";
    if (entryRead) {
        FormatBounded(status, kStatusSize, "live: newest entry %lld s old%s",
                      static_cast<long long>(PublishedAge(calendarNow, monotonicNow)), closed);
    } else {
        FormatBounded(status, kStatusSize, "live: waiting for a complete entry%s", closed);
    }
    owner.SetStatusText(status);
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
