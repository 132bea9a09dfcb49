// A BaseStation log played again as a receiver would serve it: each message is due when as much
// time has passed since the replay began as passed in the log since its first message (divided
// by the speed), and goes out with its date and time moved to that moment, so that whoever takes
// it in hears the traffic as of now. A jump of the log's clock by more than kLongestJumpSeconds
// (a receiver off for an hour, a clock set back) is passed over as if the messages followed on;
// a message a little older than the one before it goes at once. Lines that are no message with
// a date and time are counted and left out. A log read again (a loop) begins kPassPauseSeconds
// after the last message of the pass before: a log that spans no time (one line, or lines all
// at one second) would otherwise go round as fast as it can be read.
#pragma once

#include "error_report/QX_ErrorReport.h"
#include "tools/trafficlog/input/InputStream.h"
#include "tools/trafficlog/input/PhysicalLineReader.h"

#include <cstdint>
#include <memory>
#include <string>

enum class ReplayStep {
    Message, // the next message is at hand
    BadLine, // a line that is no message was passed over (BadLineNumber, BadLineReason)
    End,     // the end of the log, or it cannot be read further (ReadFailed, with the reason)
};

class BaseStationReplay : public QX_ErrorReport {
public:
    static constexpr double kLongestJumpSeconds = 60.0;
    // Between two passes of a loop, on the replay's clock.
    static constexpr double kPassPauseSeconds = 1.0;
    // A message line as it goes out: room for the longest line read and the dates written.
    static constexpr int kLineSize = PhysicalLineReader::kHeadSize + 64;

    // `replayNow` is the replay's own clock (seconds, never set back) and `calendarNow` the
    // calendar (seconds since 1970) at the same moment: the first message is due at once.
    BaseStationReplay(double speed, double replayNow, double calendarNow);

    // Reads `path` (plain or gzip-compressed) from its top, after a pass read before with a
    // pause. False, with the reason, when it cannot be opened.
    bool Open(const char* path);
    // One step through the log: the next message, its time moved, or a bad line.
    ReplayStep Next();
    bool ReadFailed() const { return readFailed; }

    // When the message is due, on the replay's clock.
    double DueAt() const { return dueAt; }
    // The message as it goes out, line feed included.
    const char* Line() const { return line; }
    int LineLength() const { return lineLength; }

    std::int64_t Messages() const { return messages; }
    std::int64_t BadLines() const { return badLines; }
    std::int64_t JumpsPassedOver() const { return jumps; }
    // Of the last bad line: its number and why it is bad.
    std::int64_t BadLineNumber() const { return badLineNumber; }
    const std::string& BadLineReason() const { return badLineReason; }

private:
    // The time of the message in the reader's line, or false (and why) when it has none.
    bool MessageTime(double& time);
    ReplayStep Bad(const char* reason);
    void Schedule(double time);
    void Rewrite(double stamp);

    double speed;
    double calendarOffset; // calendar minus replay clock
    double anchorReplay;   // the replay clock's moment of anchorLog
    double anchorLog = 0;
    double logClock = 0; // the latest message time read
    bool anchored = false;
    double passPause = 0; // before the first message of this pass
    double dueAt = 0;
    std::unique_ptr<InputStream> input;
    std::unique_ptr<PhysicalLineReader> reader;
    char line[kLineSize] = {};
    int lineLength = 0;
    bool readFailed = false;
    std::int64_t messages = 0;
    std::int64_t badLines = 0;
    std::int64_t jumps = 0;
    std::int64_t badLineNumber = 0;
    std::string badLineReason;
};
