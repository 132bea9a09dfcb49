// Records a receiver's live BaseStation feed into a data file: an entry every 10 s of the clock,
// written and handed to the system as it completes, so that a file cut short by a crash or a
// power loss holds every entry up to the last; a clean stop writes the end tags. When the feed
// drops, the recorder connects again at once; while tries fail, or connections close before a
// message comes, it waits longer after each (up to a minute). A recording that never received
// a message is removed: it holds nothing and would block the next recording to its name.
#pragma once

#include "error_report/QX_ErrorReport.h"
#include "platform/Clock.h"
#include "tools/trafficlog/convert/RecordOptions.h"

#include <cstdint>
#include <string>

struct RecordStatus {
    bool connected = false;
    int connections = 0;
    std::int64_t aircraftHeard = 0;
    std::int64_t withPosition = 0;
    std::int32_t entries = 0;
    std::int64_t messages = 0; // taken in (used or of a kind not used)
    std::int64_t badMessages = 0;
    int failures = 0;        // tries that failed or yielded no message
    std::string lastProblem; // why the feed is not connected, and when it is tried again
};

class RecordSink {
public:
    // Called about once a second and at every change.
    virtual void Status(const RecordStatus& status) = 0;
    // True when the recording is to stop (a signal, the user).
    virtual bool StopRequested() = 0;

protected:
    ~RecordSink() = default;
};

class Recorder : public QX_ErrorReport {
public:
    static constexpr std::int64_t kEntrySeconds = 10;
    static constexpr int kMaxBackoffSeconds = 60;

    // `receiveMilliseconds` bounds each wait for the feed (and so how soon a stop is seen).
    explicit Recorder(Clock& clock, int receiveMilliseconds = 200)
        : clock(clock), receiveMilliseconds(receiveMilliseconds) {}

    // Records until the duration is over or the sink asks to stop. False, with the reason,
    // when the data file cannot be written or no message came (see NothingRecorded).
    bool Record(const RecordOptions& options, RecordSink& sink);
    // After a failed Record: the feed never sent a message, and the file was removed.
    bool NothingRecorded() const { return nothingRecorded; }

private:
    Clock& clock;
    int receiveMilliseconds;
    bool nothingRecorded = false;
};
