// Live reading: at each request the newest complete entry of a data file that a recorder is
// still writing, instead of the next entry from the top. A newer entry than the one published
// last is read into the analyser (through the data set reader, line for line as a normal play
// of that entry reads it) and published; otherwise nothing new is published and the status line
// says how old the newest entry is. A publication is withdrawn (an empty one) once its entry is
// kLiveHoldSeconds old and nothing newer came: the recording was closed, or its recorder stopped
// or the file went away, and the visual system would otherwise draw the aircraft frozen.
//
// An entry's age is this machine's calendar time less the newest position time (field 2) of
// its aircraft lines: a recorder stamps them with the time of the position, on the same clock
// or one that agrees with it. An entry without such a time (no aircraft, or only times that lie
// more than kFutureToleranceSeconds ahead, a clock gone wrong) is as old as the time since it was
// first seen, on the monotonic clock.
//
// Each request returns what it met; what is shown of it is the owner's business.
#pragma once

#include "traffic/DataSetReader.h"
#include "traffic/LiveDataFile.h"

#include <cstdint>

inline constexpr char kLiveEntryReaderHeaderRevision[] =
    "%Z% LiveEntryReader QX2124:01 LiveEntryReader.h $Revision: 1.1 $";

inline constexpr std::int64_t kLiveHoldSeconds = 60;
inline constexpr std::int64_t kFutureToleranceSeconds = 60;

enum class LiveStep {
    NewEntry,   // the analyser holds the newest entry's aircraft in view: publish them
    Withdraw,   // the publication is too old: publish an empty one
    NothingNew, // publish nothing
};

// What one request met. Texts point into the reader and hold until its next request.
struct LiveOutcome {
    LiveStep step = LiveStep::NothingNew;
    const char* failure = nullptr;    // the look at the file failed: which file and how
    const char* headerLine = nullptr; // the header line of a file newly seen, its line feed cut
    DataSetStep entry = {};           // NewEntry: the entry as the data set reader read it
    // Unless NewEntry: the age of the entry published last in seconds, -1 while none was; and
    // whether its recording was closed.
    std::int64_t age = -1;
    bool closed = false;
};

class LiveEntryReader {
public:
    explicit LiveEntryReader(DataSetReader& reader);

    // Follows the file at `path` from its newest entry on; nothing is published yet.
    void Start(const char* path);
    // One request: the calendar and monotonic clocks' seconds now.
    LiveOutcome Request(std::int64_t calendarNow, std::int64_t monotonicNow);

    // The last look at the file failed (the file's report says why).
    bool HasReadFailed() const { return readFailed; }
    // The age of the entry published last, in seconds; -1 while none was.
    std::int64_t PublishedAge(std::int64_t calendarNow, std::int64_t monotonicNow) const;
    const LiveDataFile& File() const { return file; }

private:
    const char* NewHeaderLine();
    DataSetStep ReadNewestEntry(std::int64_t monotonicNow);

    DataSetReader& reader;
    LiveDataFile file;
    bool readFailed = false;
    std::uint64_t headerSeen = 0;
    char headerLine[kLineBufferSize] = {};
    std::uint64_t entryPublished = 0;
    bool holding = false;       // a publication of ours stands
    bool entryRead = false;     // an entry has been read since Start
    std::int64_t entryTime = 0; // newest position time of the entry read last; 0 for none
    std::int64_t entrySeen = 0; // when it was first seen, monotonic
};
