#include "tools/trafficlog/convert/Recorder.h"

#include "platform/TcpClient.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/console/TrafficLogConsole.h"
#include "tools/trafficlog/datafile/EntryAssembler.h"
#include "tools/trafficlog/datafile/TrafficFileWriter.h"
#include "tools/trafficlog/sources/BaseStationTracker.h"

#include <algorithm>
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
    // The calendar is read once; from there time runs on the monotonic clock, so that a step of
    // the calendar neither stalls the entries nor writes their times out of order.
    std::int64_t Now() { return startCalendar + (clock.MonotonicSeconds() - startMonotonic); }
    void Connect(std::int64_t now);
    void Receive(std::int64_t now);
    // A try that failed or a connection that closed before a message: the next try waits
    // the back-off, which grows.
    void Failed(std::int64_t now, const std::string& problem);
    std::string Feed() const;
    bool WriteDueEntries(std::int64_t now);
    void Report(std::int64_t now);

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
    std::int64_t nextTry = 0;
    std::int64_t nextEntry = 0;
    std::int64_t lastReport = -1;
    std::int64_t startCalendar = 0;
    std::int64_t startMonotonic = 0;
};

bool Session::Run() {
    startCalendar = clock.NowSeconds();
    startMonotonic = clock.MonotonicSeconds();
    const std::int64_t start = startCalendar;
    nextEntry = (start / Recorder::kEntrySeconds + 1) * Recorder::kEntrySeconds;
    while (!sink.StopRequested()) {
        const std::int64_t now = Now();
        if (options.durationSeconds > 0 && now - start >= options.durationSeconds) {
            break;
        }
        if (!feed.IsConnected()) {
            Connect(now);
        } else {
            Receive(now);
        }
        if (!WriteDueEntries(Now())) {
            return false;
        }
        Report(now);
    }
    return true;
}

void Session::Connect(std::int64_t now) {
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

void Session::Receive(std::int64_t now) {
    char chunk[kChunkSize];
    std::size_t size = 0;
    const TcpReceipt receipt = feed.Receive(chunk, sizeof chunk, receiveMilliseconds, size);
    if (receipt == TcpReceipt::Data) {
        lines.Feed(chunk, size, [this, now](char* line) {
            double time = 0;
            char reason[kReasonSize];
            if (line == nullptr || tracker.Take(line, false, static_cast<double>(now), time, reason,
                                                kReasonSize) == MessageKind::Bad) {
                ++status.badMessages;
                return;
            }
            ++status.messages;
            yielded = true;
            backoffSeconds = 1;
        });
        return;
    }
    if (receipt == TcpReceipt::Nothing) {
        return;
    }
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

void Session::Failed(std::int64_t now, const std::string& problem) {
    char retry[48];
    FormatBounded(retry, sizeof retry, "; trying again in %d s", backoffSeconds);
    lastFailure = problem;
    status.lastProblem = problem + retry;
    ++status.failures;
    nextTry = now + backoffSeconds;
    backoffSeconds = std::min(backoffSeconds * 2, Recorder::kMaxBackoffSeconds);
    lastReport = -1;
}

std::string Session::Feed() const {
    return options.host + ":" + std::to_string(options.port);
}

bool Session::WriteDueEntries(std::int64_t now) {
    if (now < nextEntry) {
        return true;
    }
    // After a stall (a suspended machine) the entries missed are not made up.
    if (now - nextEntry >= Recorder::kEntrySeconds) {
        nextEntry = now / Recorder::kEntrySeconds * Recorder::kEntrySeconds;
    }
    const bool ok = assembler.Start(nextEntry) &&
                    (tracker.OfferEntry(nextEntry, options.staleSeconds, assembler), true) &&
                    assembler.Finish() && writer.Flush();
    tracker.Forget(static_cast<double>(now));
    ++status.entries;
    nextEntry += Recorder::kEntrySeconds;
    lastReport = -1;
    return ok;
}

void Session::Report(std::int64_t now) {
    if (now == lastReport) {
        return;
    }
    lastReport = now;
    status.aircraftHeard = static_cast<std::int64_t>(tracker.Heard());
    status.withPosition = tracker.WithPosition(static_cast<double>(now), options.staleSeconds);
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
