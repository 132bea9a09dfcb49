#include "tools/trafficlog/ConvertCommand.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/ConvertOptions.h"
#include "tools/trafficlog/ProgressBar.h"
#include "tools/trafficlog/RecordingConverter.h"

#include <cstdio>
#include <string>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:70 ConvertCommand.cpp $Revision: 1.1 $";

constexpr int kExitConverted = 0;
constexpr int kExitNotPlaced = 1;
constexpr int kProgressWidth = 40;
constexpr int kTextSize = 400;
constexpr std::int64_t kEntrySeconds = 10;

class ConvertPrinter : public ConvertSink {
public:
    ConvertPrinter(const TrafficLogConsole& console, std::int64_t maxReport)
        : console(console), maxReport(maxReport) {}

    void BadRow(const char* input, std::int64_t line, const char* reason) override {
        ++badRows;
        if (maxReport == 0 || badRows <= maxReport) {
            ClearProgress();
            std::fprintf(console.err, "%s:%lld: bad row: %s\n", input, static_cast<long long>(line),
                         reason);
        }
    }
    // Worldwide recordings fill every entry: the first is shown, the others counted.
    void EntryFull(const char* input, std::int64_t line, std::int64_t time) override {
        if (fullEntries++ > 0) {
            return;
        }
        ClearProgress();
        std::fprintf(console.err,
                     "%s:%lld: time %lld has more than 6999 aircraft: the nearest are kept (the "
                     "feeder reads no more per entry); the summary counts the entries like it\n",
                     input, static_cast<long long>(line), static_cast<long long>(time));
    }
    void Notice(const char* text) override {
        ClearProgress();
        std::fprintf(console.err, "trafficlog: %s\n", text);
    }
    void Progress(std::int64_t bytesRead, std::int64_t fileSize) override {
        if (!console.errIsTerminal) {
            return;
        }
        char bar[200];
        FormatProgressBar(bar, sizeof bar, bytesRead, fileSize, kProgressWidth);
        std::fprintf(console.err, "\r%s", bar);
        std::fflush(console.err);
        barShown = true;
    }
    void ClearProgress() {
        if (barShown) {
            std::fprintf(console.err, "\r\033[K");
            barShown = false;
        }
    }
    std::int64_t FullEntries() const { return fullEntries; }
    std::int64_t Unlisted() const {
        return maxReport == 0 || badRows <= maxReport ? 0 : badRows - maxReport;
    }

private:
    const TrafficLogConsole& console;
    std::int64_t maxReport;
    std::int64_t badRows = 0;
    std::int64_t fullEntries = 0;
    bool barShown = false;
};

void AddDropped(std::string& text, std::int64_t count, const char* what) {
    if (count == 0) {
        return;
    }
    char part[96];
    FormatBounded(part, sizeof part, "%s%lld %s", text.empty() ? "" : ", ",
                  static_cast<long long>(count), what);
    text += part;
}

void PrintSummary(const TrafficLogConsole& console, const ConvertOptions& options,
                  const RecordingConverter& converter, std::int64_t fullEntries) {
    const ConvertCounts& counts = converter.Counts();
    std::string dropped;
    AddDropped(dropped, counts.noPosition, "without position");
    AddDropped(dropped, counts.stale, "stale");
    AddDropped(dropped, counts.onGround, "on the ground");
    AddDropped(dropped, counts.outsideWindow, "outside the time window");
    AddDropped(dropped, counts.outsideRegion, "outside the region");
    AddDropped(dropped, counts.badRows, "bad");
    AddDropped(dropped, counts.leftOut, "left out of full entries");
    std::fprintf(console.out, "%s: %lld rows, %lld aircraft lines in %d entries; dropped: %s\n",
                 options.output, static_cast<long long>(counts.rows),
                 static_cast<long long>(counts.written), counts.entries,
                 dropped.empty() ? "none" : dropped.c_str());
    if (counts.ignored > 0) {
        std::fprintf(console.out, "%s: %lld BaseStation messages of other kinds passed over\n",
                     options.output, static_cast<long long>(counts.ignored));
    }
    if (counts.leftOut > 0) {
        const GeoPoint centre = converter.Centre();
        std::fprintf(console.out, "%s: %lld full entries keep the aircraft nearest to %.5f, %.5f\n",
                     options.output, static_cast<long long>(fullEntries), centre.latitude,
                     centre.longitude);
    }
}

// One entry plays for ten seconds whatever time it holds.
void WarnOfStep(const TrafficLogConsole& console, std::int64_t step) {
    if (step == 0 || step == kEntrySeconds) {
        return;
    }
    std::fprintf(console.err,
                 "trafficlog: warning: the input's times are mostly %lld s apart, not %lld s: the "
                 "feeder plays one entry every %lld s, so this recording plays %.3g times %s\n",
                 static_cast<long long>(step), static_cast<long long>(kEntrySeconds),
                 static_cast<long long>(kEntrySeconds),
                 step < kEntrySeconds ? static_cast<double>(kEntrySeconds) / step
                                      : static_cast<double>(step) / kEntrySeconds,
                 step < kEntrySeconds ? "too slowly" : "too fast");
}
} // namespace

int RunConvert(int count, const char* const* words, const TrafficLogConsole& console) {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kConvertCommandHeaderRevision, kRevision});
    ConvertOptions options;
    char problem[kTextSize];
    if (!ParseConvertOptions(count, words, options, problem, kTextSize)) {
        std::fprintf(console.err, "trafficlog: convert: %s\nTry 'trafficlog --help'.\n", problem);
        return kExitError;
    }
    RecordingConverter converter;
    ConvertPrinter printer(console, options.maxReport);
    const bool ok = converter.Convert(options, printer);
    printer.ClearProgress();
    if (printer.Unlisted() > 0) {
        std::fprintf(console.err,
                     "trafficlog: %lld more bad rows not listed (--max-report 0 "
                     "lists all)\n",
                     static_cast<long long>(printer.Unlisted()));
    }
    if (!ok) {
        std::fprintf(console.err, "trafficlog: %s\n", converter.FullErrorText().c_str());
        return converter.RefusedUnsorted() ? kExitNotPlaced : kExitError;
    }
    PrintSummary(console, options, converter, printer.FullEntries());
    WarnOfStep(console, converter.UsualStep());
    if (converter.Counts().inputsLeftOut > 0) {
        std::fprintf(console.err,
                     "trafficlog: %d input(s) went back in time and were left out (see above)\n",
                     converter.Counts().inputsLeftOut);
        return kExitNotPlaced;
    }
    return kExitConverted;
}
