#include "tools/trafficlog/convert/Recorder.h"

#include "platform/TcpClient.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/console/TrafficLogConsole.h"
#include "tools/trafficlog/datafile/EntryAssembler.h"
#include "tools/trafficlog/datafile/TrafficFileWriter.h"
#include "tools/trafficlog/sources/BaseStationTracker.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {
constexpr int kConnectMilliseconds = 5000;
constexpr int kReasonSize = 200;
constexpr int kLineSize = 1024;
constexpr int kChunkSize = 4096;

// Cuts the feed's bytes into lines; a line longer than the buffer is passed over whole (the
// handler is given null for it).
class LineSplitter {
public:
    template <typename Handle> void Feed(const char* bytes, std::size_t size, Handle handle) {
        for (std::size_t i = 0; i < size; ++i) {
            const char c = bytes[i];
            if (c == '\n') {
                line[length - (length > 0 && line[length - 1] == '\r' ? 1 : 0)] = '\0';
                handle(overlong ? nullptr : line);
                length = 0;
                overlong = false;
            } else if (length < kLineSize - 1) {
                line[length++] = c;
            } else {
                overlong = true;
            }
        }
    }
    void Reset() {
        length = 0;
        overlong = false;
    }

private:
    char line[kLineSize] = {};
    int length = 0;
    bool overlong = false;
};

class Session {
public:
    Session(Clock& clock, const RecordOptions& options, RecordSink& sink, TrafficFileWriter& writer,
            int receiveMilliseconds)
        : clock(clock), options(options), sink(sink), writer(writer),
          assembler(writer, options.region), receiveMilliseconds(receiveMilliseconds) {}

    bool Run();
    const RecordStatus& Status() const { return status; }
    // Why the last try failed, or empty.
    const std::string& LastFailure() const { return lastFailure; }

private:
    // Seconds of the calendar, to the millisecond: each message is timed by when it came, so that
    // its position can be moved to its entry's stamp. The calendar is read once; from there time
    // runs on the monotonic clock, so that a step of the calendar neither stalls the entries nor
    // writes their times out of order.
    double Now() {
        return static_cast<double>(startCalendar +
                                   (clock.MonotonicMilliseconds() - startMonotonic)) /
               1000.0;
    }
    void Connect(double now);
    void Receive(double now);
    void TakeReceived(double heard);
    // A try that failed or a connection that closed before a message: the next try waits
    // the back-off, which grows.
    void Failed(double now, const std::string& problem);
    std::string Feed() const;
    bool WriteDueEntries(double now);
    void Report(double now);

    Clock& clock;
    const RecordOptions& options;
    RecordSink& sink;
    TrafficFileWriter& writer;
    EntryAssembler assembler;
    // Aircraft taxiing and parked are recorded too: the bridge stands them on the ground.
    BaseStationTracker tracker{SurfacePositions::Kept};
    TcpClient feed;
    LineSplitter lines;
    RecordStatus status;
    int receiveMilliseconds;
    int backoffSeconds = 1;
    bool yielded = false; // the connection brought a message
    std::string lastFailure;
    char chunk[kChunkSize] = {};
    std::size_t received = 0; // bytes in `chunk` not yet taken in
    double nextTry = 0;
    std::int64_t nextEntry = 0;
    std::int64_t lastReport = -1;    // the second last reported
    std::int64_t startCalendar = 0;  // milliseconds
    std::int64_t startMonotonic = 0; // milliseconds
};

// The entries due before bytes came are written before the bytes are taken in, so that each entry
// holds the aircraft as the messages up to its time left them.
bool Session::Run() {
    startCalendar = clock.NowMilliseconds();
    startMonotonic = clock.MonotonicMilliseconds();
    const double start = static_cast<double>(startCalendar) / 1000.0;
    nextEntry = (static_cast<std::int64_t>(std::floor(start)) / Recorder::kEntrySeconds + 1) *
                Recorder::kEntrySeconds;
    while (!sink.StopRequested()) {
        const double now = Now();
        if (options.durationSeconds > 0 &&
            now - start >= static_cast<double>(options.durationSeconds)) {
            break;
        }
        if (!feed.IsConnected()) {
            Connect(now);
        } else {
            Receive(now);
        }
        const double heard = Now();
        if (!WriteDueEntries(heard)) {
            return false;
        }
        TakeReceived(heard);
        Report(now);
    }
    return true;
}

void Session::Connect(double now) {
    if (now < nextTry) {
        clock.SleepMilliseconds(receiveMilliseconds);
        return;
    }
    if (feed.Connect(options.host.c_str(), options.port, kConnectMilliseconds)) {
        ++status.connections;
        status.connected = true;
        status.lastProblem.clear();
        yielded = false;
        lines.Reset();
        lastReport = -1;
        return;
    }
    Failed(now, "cannot connect to " + Feed() + ": " + SystemReason(feed.FullErrorText()));
}

// Waits for the feed's next bytes, which are kept until they are taken in.
void Session::Receive(double now) {
    const TcpReceipt receipt = feed.Receive(chunk, sizeof chunk, receiveMilliseconds, received);
    if (receipt == TcpReceipt::Data || receipt == TcpReceipt::Nothing) {
        return;
    }
    received = 0;
    const std::string problem = receipt == TcpReceipt::Closed
                                    ? Feed() + " closed the connection"
                                    : Feed() + ": " + SystemReason(feed.FullErrorText());
    feed.Close();
    status.connected = false;
    lastReport = -1;
    if (!yielded) {
        Failed(now, problem + " before a message came");
        return;
    }
    // The first try again comes at once: a receiver that restarts is back within seconds.
    status.lastProblem = problem;
    nextTry = now;
}

// The messages received, each timed by when it came.
void Session::TakeReceived(double heard) {
    lines.Feed(chunk, received, [this, heard](char* line) {
        double time = 0;
        char reason[kReasonSize];
        if (line == nullptr ||
            tracker.Take(line, false, heard, time, reason, kReasonSize) == MessageKind::Bad) {
            ++status.badMessages;
            return;
        }
        ++status.messages;
        yielded = true;
        backoffSeconds = 1;
    });
    received = 0;
}

void Session::Failed(double now, const std::string& problem) {
    char retry[48];
    FormatBounded(retry, sizeof retry, "; trying again in %d s", backoffSeconds);
    lastFailure = problem;
    status.lastProblem = problem + retry;
    ++status.failures;
    nextTry = now + static_cast<double>(backoffSeconds);
    backoffSeconds = std::min(backoffSeconds * 2, Recorder::kMaxBackoffSeconds);
    lastReport = -1;
}

std::string Session::Feed() const {
    return options.host + ":" + std::to_string(options.port);
}

// Each aircraft is written where it was at the entry's stamp (see BaseStationTracker::Stamping):
// a feeder and a bridge that move it on from the stamp then show it where it is.
bool Session::WriteDueEntries(double now) {
    if (now < static_cast<double>(nextEntry)) {
        return true;
    }
    // After a stall (a suspended machine) the entries missed are not made up.
    const auto second = static_cast<std::int64_t>(std::floor(now));
    if (second - nextEntry >= Recorder::kEntrySeconds) {
        nextEntry = second / Recorder::kEntrySeconds * Recorder::kEntrySeconds;
    }
    const bool ok = assembler.Start(nextEntry) &&
                    (tracker.OfferEntry(nextEntry, options.staleSeconds, assembler,
                                        BaseStationTracker::Stamping::MovedToStamp),
                     true) &&
                    assembler.Finish() && writer.Flush();
    tracker.Forget(now);
    ++status.entries;
    nextEntry += Recorder::kEntrySeconds;
    lastReport = -1;
    return ok;
}

void Session::Report(double now) {
    const auto second = static_cast<std::int64_t>(std::floor(now));
    if (second == lastReport) {
        return;
    }
    lastReport = second;
    status.aircraftHeard = static_cast<std::int64_t>(tracker.Heard());
    status.withPosition = tracker.WithPosition(now, options.staleSeconds);
    sink.Status(status);
}
} // namespace

bool Recorder::Record(const RecordOptions& options, RecordSink& sink) {
    nothingRecorded = false;
    char header[kMaxAircraftLineLength + 1];
    FormatBounded(header, sizeof header, "Recorded from the BaseStation feed %s:%u",
                  options.host.c_str(), static_cast<unsigned>(options.port));
    // A recording made before is never written over.
    std::error_code error;
    if (std::filesystem::file_size(options.output, error) > 0 && !error) {
        ReportDetail("Recorder::Record",
                     "the file exists and holds a recording: choose another name or remove it",
                     options.output);
        return false;
    }
    TrafficFileWriter writer;
    if (!writer.Open(options.output, header) || !writer.Flush()) {
        SetErrorText(writer.GetErrorText());
        return false;
    }
    Session session(clock, options, sink, writer, receiveMilliseconds);
    if (!session.Run() || !writer.Finish()) {
        SetErrorText(writer.GetErrorText());
        return false;
    }
    if (session.Status().messages > 0) {
        return true;
    }
    nothingRecorded = true;
    std::filesystem::remove(options.output, error);
    const std::string& problem = session.LastFailure();
    ReportDetail("Recorder::Record",
                 ("no message came from " + options.host + ":" + std::to_string(options.port) +
                  (problem.empty() ? "" : " (" + problem + ")") +
                  ": nothing recorded, the file is removed")
                     .c_str(),
                 options.output);
    return false;
}
