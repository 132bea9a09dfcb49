#include "tools/trafficlog/convert/ConvertCommand.h"

#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/console/ListingLimit.h"
#include "tools/trafficlog/console/ProgressBar.h"
#include "tools/trafficlog/convert/ConvertOptions.h"
#include "tools/trafficlog/convert/RecordingConverter.h"

#include <cstdio>
#include <optional>
#include <string>

namespace {
constexpr int kProgressWidth = 40;
constexpr int kTextSize = 400;
constexpr std::int64_t kEntrySeconds = 10;

class ConvertPrinter : public ConvertSink {
public:
    ConvertPrinter(const TrafficLogConsole& console, std::int64_t maxReport)
        : console(console), limit(maxReport) {}

    void BadRow(const char* input, std::int64_t line, const char* reason) override {
        if (limit.Take()) {
            ClearProgress();
            std::fprintf(console.err, "%s:%lld: bad row: %s\n", MaskControls(input).c_str(),
                         static_cast<long long>(line), OneLine(reason).c_str());
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
                     MaskControls(input).c_str(), static_cast<long long>(line),
                     static_cast<long long>(time));
    }
    void Notice(const char* text) override {
        ClearProgress();
        PrintNote(console, text);
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
    // After the conversion: how many bad rows went unlisted, if any.
    void CountUnlisted(std::int64_t badRows) {
        ClearProgress();
        if (limit.Cut(badRows)) {
            PrintNote(console, CountOf(limit.Unlisted(badRows), "more bad row", "more bad rows") +
                                   " not listed (--max-report 0 lists all)");
        }
    }
    std::int64_t FullEntries() const { return fullEntries; }

private:
    const TrafficLogConsole& console;
    ListingLimit limit;
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
    const std::string output = MaskControls(options.output);
    std::fprintf(console.out, "%s: %s, %s in %s; dropped: %s\n", output.c_str(),
                 CountOf(counts.rows, "row", "rows").c_str(),
                 CountOf(counts.written, "aircraft line", "aircraft lines").c_str(),
                 CountOf(counts.entries, "entry", "entries").c_str(),
                 dropped.empty() ? "none" : dropped.c_str());
    if (counts.ignored > 0) {
        std::fprintf(console.out, "%s: %s passed over\n", output.c_str(),
                     CountOf(counts.ignored, "BaseStation message of another kind",
                             "BaseStation messages of other kinds")
                         .c_str());
    }
    if (counts.leftOut > 0) {
        const GeoPoint centre = converter.Centre();
        std::fprintf(console.out, "%s: %s the aircraft nearest to %.5f, %.5f\n", output.c_str(),
                     CountOf(fullEntries, "full entry keeps", "full entries keep").c_str(),
                     centre.latitude, centre.longitude);
    }
}

// One entry plays for ten seconds whatever time it holds.
void WarnOfStep(const TrafficLogConsole& console, std::int64_t step) {
    if (step == 0 || step == kEntrySeconds) {
        return;
    }
    char warning[kTextSize];
    FormatBounded(warning, kTextSize,
                  "warning: the input's times are mostly %lld s apart, not %lld s: the feeder "
                  "plays one entry every %lld s, so this recording plays %.3g times %s",
                  static_cast<long long>(step), static_cast<long long>(kEntrySeconds),
                  static_cast<long long>(kEntrySeconds),
                  step < kEntrySeconds ? static_cast<double>(kEntrySeconds) / step
                                       : static_cast<double>(step) / kEntrySeconds,
                  step < kEntrySeconds ? "too slowly" : "too fast");
    PrintNote(console, warning);
}
} // namespace

int RunConvert(CommandArguments& args, const TrafficLogConsole& console) {
    ConvertOptions options;
    const bool read = ReadConvertOptions(args, options);
    if (const std::optional<int> code = Settled(console, args, read, "convert")) {
        return *code;
    }
    RecordingConverter converter;
    ConvertPrinter printer(console, options.maxReport);
    const bool ok = converter.Convert(options, printer);
    printer.CountUnlisted(converter.Counts().badRows);
    if (!ok) {
        const int code = PrintFailure(console, converter.FullErrorText());
        return converter.RefusedUnsorted() ? kExitFindings : code;
    }
    PrintSummary(console, options, converter, printer.FullEntries());
    WarnOfStep(console, converter.UsualStep());
    if (converter.Counts().inputsLeftOut > 0) {
        PrintNote(console, "left out " +
                               CountOf(converter.Counts().inputsLeftOut, "input", "inputs") +
                               " that went back in time (see above)");
        return kExitFindings;
    }
    return kExitSuccess;
}
