#include "tools/trafficlog/main/TrafficLogCommand.h"

#include "config_control/CommandArguments.h"
#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/console/ListingLimit.h"
#include "tools/trafficlog/convert/ConvertCommand.h"
#include "tools/trafficlog/convert/RecordCommand.h"
#include "tools/trafficlog/datafile/TrafficFileChecker.h"
#include "tools/trafficlog/datafile/TrafficScanner.h"
#include "tools/trafficlog/sample/SampleGenerator.h"
#include "tools/trafficlog/serve/ServeCommand.h"

#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>

namespace {
constexpr char kDefaultDataFile[] = "TrafficLog.dat";
constexpr std::int64_t kMaxDuration = 30 * 86400;
constexpr double kMaxDensity = 5000;
// The time field of a data file is read as a 32-bit number.
constexpr std::int64_t kLastFileTime = std::numeric_limits<std::int32_t>::max();

// Where the recording goes when no --out is given: named in full, so the user finds it.
std::string DefaultDataFile() {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::absolute(kDefaultDataFile, error);
    return error ? kDefaultDataFile : path.string();
}

int Generate(CommandArguments& args, const TrafficLogConsole& console) {
    SampleOptions options;
    const char* out = nullptr;
    std::int64_t duration = options.durationSeconds;
    bool ok = true;
    while (ok && args.Next()) {
        if (args.Is("--out")) {
            ok = args.Text(out);
        } else if (args.Is("--duration")) {
            ok = args.WholeNumber(0, kMaxDuration, duration);
        } else if (args.Is("--density")) {
            ok = args.Decimal(0, kMaxDensity, options.flightsPerHour);
        } else if (args.Is("--seed")) {
            ok = args.UnsignedNumber(options.seed);
        } else if (args.Is("--start")) {
            ok = args.WholeNumber(0, kLastFileTime, options.startTime);
        } else {
            ok = args.RefuseUnknown();
        }
    }
    if (const std::optional<int> code = Settled(console, args, ok, "generate")) {
        return *code;
    }
    options.durationSeconds = static_cast<std::int32_t>(duration);
    // Entries are written from the start on, one every interval, up to the end.
    if (options.startTime + duration - kSampleInterval > kLastFileTime) {
        char problem[200];
        FormatBounded(problem, sizeof problem,
                      "--start %lld with --duration %lld writes times beyond %lld, the last "
                      "time a data file holds",
                      static_cast<long long>(options.startTime), static_cast<long long>(duration),
                      static_cast<long long>(kLastFileTime));
        return PrintUsageError(console, problem);
    }
    const std::string path = out != nullptr ? out : DefaultDataFile();
    SampleGenerator generator;
    if (!generator.Generate(options, path.c_str())) {
        return PrintFailure(console, generator.FullErrorText());
    }
    std::fprintf(
        console.out, "%s: %s, %s\n", MaskControls(path).c_str(),
        CountOf(generator.EntriesWritten(), "entry", "entries").c_str(),
        CountOf(generator.AircraftLinesWritten(), "aircraft line", "aircraft lines").c_str());
    return kExitSuccess;
}

// Findings and records quote the file: everything printed from it is masked.
class CheckPrinter : public CheckFindingSink {
public:
    CheckPrinter(const TrafficLogConsole& console, const std::string& path, std::int64_t maxReport)
        : console(console), path(path), limit(maxReport) {}
    void Report(std::int64_t line, CheckFault fault, const char* text) override {
        if (limit.Take()) {
            std::fprintf(console.out, "%s:%lld: %s: %s\n", path.c_str(),
                         static_cast<long long>(line), CheckFaultName(fault),
                         MaskControls(text).c_str());
        }
    }
    const ListingLimit& Limit() const { return limit; }

private:
    const TrafficLogConsole& console;
    const std::string& path;
    ListingLimit limit;
};

int Check(CommandArguments& args, const TrafficLogConsole& console) {
    std::int64_t maxReport = ListingLimit::kDefault;
    const char* path = nullptr;
    bool ok = true;
    while (ok && args.Next()) {
        if (args.Is("--max-report")) {
            ok = args.WholeNumber(0, ListingLimit::kMost, maxReport);
        } else if (!args.IsOption() && path == nullptr) {
            path = args.Current();
        } else {
            ok = args.RefuseUnknown();
        }
    }
    if (const std::optional<int> code = Settled(console, args, ok, "check")) {
        return *code;
    }
    if (path == nullptr) {
        return PrintUsageError(console, "check needs a FILE");
    }
    const std::string shownPath = MaskControls(path);
    TrafficFileChecker checker;
    CheckPrinter printer(console, shownPath, maxReport);
    if (!checker.Check(path, printer)) {
        return PrintFailure(console, checker.FullErrorText());
    }
    const std::int64_t findings = checker.FindingCount();
    if (printer.Limit().Cut(findings)) {
        std::fprintf(
            console.out, "%s: %s not listed (--max-report 0 lists all)\n", shownPath.c_str(),
            CountOf(printer.Limit().Unlisted(findings), "more finding", "more findings").c_str());
    }
    std::fprintf(console.out, "%s: %s: %s, %s, %s\n", shownPath.c_str(),
                 findings == 0 ? "clean" : "faults found",
                 CountOf(checker.LinesRead(), "line", "lines").c_str(),
                 CountOf(checker.EntriesSeen(), "entry", "entries").c_str(),
                 CountOf(findings, "finding", "findings").c_str());
    return findings == 0 ? kExitSuccess : kExitFindings;
}

void PrintRecord(std::FILE* out, const AircraftRecord& record) {
    char callsign[sizeof record.callsign + 1] = {};
    MaskControlsBounded(callsign, record.callsign, sizeof callsign);
    std::fprintf(out,
                 "  %-8s %06X %9.5f %10.5f baro %8.1f geo %8.1f track %6.1f speed %6.1f "
                 "vrate %6.1f time %d\n",
                 callsign, static_cast<unsigned>(record.icaoAddress) & 0xFFFFFFFFu, record.latitude,
                 record.longitude, record.baroAltitude, record.geoAltitude, record.track,
                 record.groundSpeed, record.verticalRate, record.positionTime);
}

class ScanPrinter : public ScanSink {
public:
    ScanPrinter(std::FILE* out, bool records) : out(out), records(records) {}
    void Entry(const ScannedEntry& entry) override {
        std::fprintf(out, "entry %d: %d aircraft checked, %d in view\n", entry.entryNumber,
                     entry.aircraftChecked, entry.inView);
        for (std::int32_t i = 0; records && i < entry.inView; ++i) {
            PrintRecord(out, entry.records[i]);
        }
    }

private:
    std::FILE* out;
    bool records;
};

int Scan(CommandArguments& args, const TrafficLogConsole& console) {
    double latitude = 0, longitude = 0;
    bool haveOwn = false, records = false;
    const char* path = nullptr;
    bool ok = true;
    while (ok && args.Next()) {
        if (args.Is("--own")) {
            ok = haveOwn = args.Position(latitude, longitude);
        } else if (args.Is("--records")) {
            ok = records = args.Flag();
        } else if (!args.IsOption() && path == nullptr) {
            path = args.Current();
        } else {
            ok = args.RefuseUnknown();
        }
    }
    if (const std::optional<int> code = Settled(console, args, ok, "scan")) {
        return *code;
    }
    if (!haveOwn) {
        return PrintUsageError(console, "scan needs --own LAT,LON");
    }
    if (path == nullptr) {
        return PrintUsageError(console, "scan needs a FILE");
    }
    TrafficScanner scanner;
    ScanPrinter printer(console.out, records);
    if (!scanner.Scan(path, latitude, longitude, printer)) {
        return PrintFailure(console, scanner.FullErrorText());
    }
    const std::string shownPath = MaskControls(path);
    std::fprintf(console.out, "%s: %s scanned at %.5f, %.5f%s\n", shownPath.c_str(),
                 CountOf(scanner.EntriesScanned(), "entry", "entries").c_str(), latitude, longitude,
                 scanner.EndedWithoutEndTag() ? "; the file ends without an end tag" : "");
    if (scanner.EntriesScanned() == 0) {
        std::fprintf(console.err,
                     "trafficlog: %s holds no entry the feeder would play; 'trafficlog check' "
                     "tells why\n",
                     shownPath.c_str());
        return kExitFindings;
    }
    return kExitSuccess;
}

} // namespace

int RunTrafficLog(int argc, const char* const* argv, const TrafficLogConsole& console) {
    if (argc < 2 || argv[1] == nullptr) {
        return PrintUsageError(console, "no command given");
    }
    const char* command = argv[1];
    CommandArguments args(argc, argv, 2);
    if (std::strcmp(command, "generate") == 0) {
        return Generate(args, console);
    }
    if (std::strcmp(command, "convert") == 0) {
        return RunConvert(args, console);
    }
    if (std::strcmp(command, "record") == 0) {
        return RunRecord(args, console);
    }
    if (std::strcmp(command, "serve") == 0) {
        return RunServe(args, console);
    }
    if (std::strcmp(command, "check") == 0) {
        return Check(args, console);
    }
    if (std::strcmp(command, "scan") == 0) {
        return Scan(args, console);
    }
    if (std::strcmp(command, "-h") == 0 || std::strcmp(command, "--help") == 0 ||
        std::strcmp(command, "help") == 0) {
        return Answer(console, ArgumentRequest::Help, nullptr);
    }
    if (std::strcmp(command, "--version") == 0) {
        return Answer(console, ArgumentRequest::Version, nullptr);
    }
    const std::string problem =
        std::string(command[0] == '-' ? "unknown option '" : "unknown command '") + command + "'";
    return PrintUsageError(console, problem);
}
