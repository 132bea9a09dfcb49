#include "tools/trafficlog/convert/RecordCommand.h"

#include "platform/Clock.h"
#include "platform/ProcessControl.h"
#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/convert/RecordOptions.h"
#include "tools/trafficlog/convert/Recorder.h"

#include <cstdio>
#include <optional>
#include <string>

namespace {
constexpr int kTextSize = 400;

// On a terminal one status line redrawn in place; otherwise a log line at each change of the
// connection.
class RecordPrinter : public RecordSink {
public:
    RecordPrinter(const TrafficLogConsole& console, const RecordOptions& options)
        : console(console), options(options) {}

    void Status(const RecordStatus& status) override {
        const std::string written = CountOf(status.entries, "entry", "entries") + " written";
        char line[kTextSize];
        if (status.connected) {
            FormatBounded(line, sizeof line, "%s:%u: %lld aircraft heard, %lld with a position; %s",
                          options.host.c_str(), static_cast<unsigned>(options.port),
                          static_cast<long long>(status.aircraftHeard),
                          static_cast<long long>(status.withPosition), written.c_str());
        } else {
            FormatBounded(line, sizeof line, "not connected (%s); %s",
                          status.lastProblem.empty() ? "connecting" : status.lastProblem.c_str(),
                          written.c_str());
        }
        if (console.errIsTerminal) {
            std::fprintf(console.err, "\r\033[K%s", OneLine(line).c_str());
            std::fflush(console.err);
            drawn = true;
        } else if (status.failures != failures) {
            // Each failed try, once: the tries come farther apart while they fail.
            PrintNote(console, status.lastProblem);
        } else if (status.connected != wasConnected || status.connections != connections) {
            PrintNote(console, line);
        }
        wasConnected = status.connected;
        connections = status.connections;
        failures = status.failures;
    }
    bool StopRequested() override { return ::StopRequested(); }
    void Finish() {
        if (drawn) {
            std::fprintf(console.err, "\n");
        }
    }

private:
    const TrafficLogConsole& console;
    const RecordOptions& options;
    bool drawn = false;
    bool wasConnected = false;
    int connections = 0;
    int failures = 0;
};
} // namespace

int RunRecord(CommandArguments& args, const TrafficLogConsole& console) {
    RecordOptions options;
    const bool read = ReadRecordOptions(args, options);
    if (const std::optional<int> code = Settled(console, args, read, "record")) {
        return *code;
    }
    CatchStopSignals();
    Recorder recorder(SystemClock());
    RecordPrinter printer(console, options);
    const bool ok = recorder.Record(options, printer);
    printer.Finish();
    if (!ok && recorder.NothingRecorded()) {
        PrintNote(console, recorder.FullErrorText());
        return kExitFindings;
    }
    if (!ok) {
        return PrintFailure(console, recorder.FullErrorText());
    }
    std::fprintf(console.out, "%s: recording closed\n", MaskControls(options.output).c_str());
    return kExitSuccess;
}
