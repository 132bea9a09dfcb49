// Live reading: at each request the newest complete entry of a data file that a recorder is
// still writing, instead of the next entry from the top. A newer entry than the one published
// last is read into the analyser (through the data set reader, line for line as a normal play
// of that entry reads it) and published; otherwise nothing new is published and the status line
// says how old the newest entry is. A publication is withdrawn (an empty one) once its entry is
// kLiveHoldSeconds old and nothing newer came: the recording was closed, or its recorder stopped
// or the file went away, and the visual system would otherwise draw the aircraft frozen.
//
// Entries only move forward, by their time and not by where they lie: an entry is published
// only when it is newer than the newest one seen before (a copy of the recording moved over it,
// or the file cut short, brings back entries already seen or older ones), and never once it is
// kLiveHoldSeconds old (a closed recording of yesterday is no traffic of now, not even for one
// interval).
//
// An entry's age is this machine's calendar time less the newest position time (field 2) of
// its aircraft lines: a recorder stamps them with the time of the position, on the same clock
// or one that agrees with it. An entry without such a time (no aircraft, or only times that lie
// more than kFutureToleranceSeconds ahead, a clock gone wrong) is as old as the time since it was
// first seen, on the monotonic clock, and has no place in the order of times: it is published
// when it comes.
//
// Each request returns what it met; what is shown of it is the owner's business.
#pragma once

#include "platform/Clock.h"
#include "traffic/DataSetReader.h"
#include "traffic/LiveDataFile.h"

#include <cstdint>

inline constexpr char kLiveEntryReaderHeaderRevision[] =
    "%Z% LiveEntryReader QX2124:01 LiveEntryReader.h $Revision: 1.2 $";

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
    // Unless NewEntry: the age of the newest entry seen, in seconds, -1 while none was; and
    // whether its recording was closed.
    std::int64_t age = -1;
    bool closed = false;
};

class LiveEntryReader {
public:
    explicit LiveEntryReader(DataSetReader& reader);

    // Follows the file at `path` from its newest entry on; nothing is published yet.
    void Start(const char* path);
    // One request. The clocks are read once the file has been looked at, so that the ages
    // judged and shown are those after the look, however long it took.
    LiveOutcome Request(Clock& clock);

    // The last look at the file failed (the file's report says why).
    bool HasReadFailed() const { return readFailed; }
    // The age of the entry published last, in seconds; -1 while none was.
    std::int64_t PublishedAge(std::int64_t calendarNow, std::int64_t monotonicNow) const {
        return published.Age(calendarNow, monotonicNow);
    }
    const LiveDataFile& File() const { return file; }

private:
    // An entry as far as its age and its place in the order of times go.
    struct EntryTime {
        bool known = false;
        std::int64_t time = 0; // newest position time; 0 for none
        std::int64_t seen = 0; // when it was first seen, monotonic

        bool IsUsable(std::int64_t calendarNow) const {
            return time > 0 && time <= calendarNow + kFutureToleranceSeconds;
        }
        std::int64_t Age(std::int64_t calendarNow, std::int64_t monotonicNow) const;
    };

    const char* NewHeaderLine();
    bool TakesNewEntry(std::int64_t calendarNow, std::int64_t monotonicNow);
    DataSetStep ReadNewestEntry();

    DataSetReader& reader;
    LiveDataFile file;
    bool readFailed = false;
    std::uint64_t headerSeen = 0;
    char headerLine[kLineBufferSize] = {};
    std::uint64_t entrySeen = 0; // the file's entry serial last judged
    bool holding = false;        // a publication of ours stands
    EntryTime published;         // the entry published last
    EntryTime newest;            // the newest entry seen, published or not
};
