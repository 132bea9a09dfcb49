#include "tools/trafficlog/RecordCommand.h"

#include "config_control/ConfigControl.h"
#include "platform/Clock.h"
#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/ProcessControl.h"
#include "tools/trafficlog/RecordOptions.h"
#include "tools/trafficlog/Recorder.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:76 RecordCommand.cpp $Revision: 1.1 $";

constexpr int kExitRecorded = 0;
constexpr int kTextSize = 400;

const char* Entries(int count) {
    return count == 1 ? "entry" : "entries";
}

// On a terminal one status line redrawn in place; otherwise a log line at each change of the
// connection.
class RecordPrinter : public RecordSink {
public:
    RecordPrinter(const TrafficLogConsole& console, const RecordOptions& options)
        : console(console), options(options) {}

    void Status(const RecordStatus& status) override {
        char line[kTextSize];
        if (status.connected) {
            FormatBounded(line, sizeof line,
                          "%s:%u: %lld aircraft heard, %lld with a position; %d %s written",
                          options.host.c_str(), static_cast<unsigned>(options.port),
                          static_cast<long long>(status.aircraftHeard),
                          static_cast<long long>(status.withPosition), status.entries,
                          Entries(status.entries));
        } else {
            FormatBounded(line, sizeof line, "not connected (%s); %d %s written",
                          status.lastProblem.empty() ? "connecting" : status.lastProblem.c_str(),
                          status.entries, Entries(status.entries));
        }
        const std::string shown = MaskControls(line);
        if (console.errIsTerminal) {
            std::fprintf(console.err, "\r\033[K%s", shown.c_str());
            std::fflush(console.err);
            drawn = true;
        } else if (status.connected != wasConnected || status.connections != connections) {
            std::fprintf(console.err, "trafficlog: %s\n", shown.c_str());
        }
        wasConnected = status.connected;
        connections = status.connections;
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
};
} // namespace

int RunRecord(int count, const char* const* words, const TrafficLogConsole& console) {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kRecordCommandHeaderRevision, kRevision});
    RecordOptions options;
    char problem[kTextSize];
    if (!ParseRecordOptions(count, words, options, problem, kTextSize)) {
        std::fprintf(console.err, "trafficlog: record: %s\nTry 'trafficlog --help'.\n", problem);
        return kExitError;
    }
    CatchStopSignals();
    Recorder recorder(SystemClock());
    RecordPrinter printer(console, options);
    const bool ok = recorder.Record(options, printer);
    printer.Finish();
    if (!ok) {
        std::fprintf(console.err, "trafficlog: %s\n", recorder.FullErrorText().c_str());
        return kExitError;
    }
    std::fprintf(console.out, "%s: recording closed\n", options.output);
    return kExitRecorded;
}
