#include "tools/trafficlog/TrafficLogCommand.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/ConvertCommand.h"
#include "tools/trafficlog/RecordCommand.h"
#include "tools/trafficlog/SampleGenerator.h"
#include "tools/trafficlog/TrafficFileChecker.h"
#include "tools/trafficlog/TrafficScanner.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:18 TrafficLogCommand.cpp $Revision: 1.1 $";

constexpr int kExitClean = 0;
constexpr int kExitFaults = 1;
constexpr int kExitError = 2;
constexpr std::int64_t kDefaultMaxReport = 100;

const char kUsage[] =
    "usage:\n"
    "  trafficlog generate [--out FILE] [--duration SECONDS] [--density FLIGHTS_PER_HOUR]\n"
    "                      [--seed N] [--start UNIX_TIME]\n"
    "  trafficlog convert [--around LAT,LON,RADIUS_NM] [--box S,W,N,E] [--from TIME]\n"
    "                     [--to TIME] [--stale SECONDS] [--keep-ground] [--max-report N]\n"
    "                     INPUT... DATA_FILE\n"
    "  trafficlog record --sbs HOST:PORT --out FILE [--duration SECONDS]\n"
    "                    [--around LAT,LON,RADIUS_NM] [--box S,W,N,E] [--stale SECONDS]\n"
    "  trafficlog check [--max-report N] FILE\n"
    "  trafficlog scan --own LAT,LON [--records] FILE\n"
    "--max-report 0 lists every finding.\n";

class Arguments {
public:
    Arguments(int argc, const char* const* argv) : argc(argc), argv(argv) {}
    bool Done() const { return next >= argc; }
    const char* Take() { return next < argc ? argv[next++] : nullptr; }
    bool IsOption() const { return next < argc && std::strncmp(argv[next], "--", 2) == 0; }

private:
    int argc;
    const char* const* argv;
    int next = 2;
};

bool ReadDouble(const char* text, double& value) {
    if (text == nullptr) {
        return false;
    }
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value);
}

bool ReadInteger(const char* text, std::int64_t& value) {
    if (text == nullptr) {
        return false;
    }
    char* end = nullptr;
    value = std::strtoll(text, &end, 10);
    return end != text && *end == '\0';
}

bool ReadPosition(const char* text, double& latitude, double& longitude) {
    char copy[64];
    if (text == nullptr || CopyBounded(copy, text, sizeof copy) == nullptr) {
        return false;
    }
    char* parts[3] = {};
    return SplitAtCharBounded(copy, ",", parts, 2) == 2 && ReadDouble(parts[0], latitude) &&
           ReadDouble(parts[1], longitude) && std::fabs(latitude) <= 90.0 &&
           std::fabs(longitude) <= 180.0;
}

int Usage(const TrafficLogConsole& console, const char* problem) {
    std::fprintf(console.err, "trafficlog: %s\n%s", problem, kUsage);
    return kExitError;
}

int Failure(const TrafficLogConsole& console, QX_ErrorReport& report) {
    std::fprintf(console.err, "trafficlog: %s\n", report.GetErrorText());
    return kExitError;
}

// Lists findings up to a limit; the rest are counted.
class ListingLimit {
public:
    explicit ListingLimit(std::int64_t limit) : limit(limit) {}
    bool Take() {
        if (limit != 0 && listed >= limit) {
            return false;
        }
        ++listed;
        return true;
    }
    std::int64_t Unlisted(std::int64_t total) const { return total - listed; }
    bool Cut(std::int64_t total) const { return limit != 0 && total > limit; }

private:
    std::int64_t limit;
    std::int64_t listed = 0;
};

int Generate(Arguments& args, const TrafficLogConsole& console) {
    SampleOptions options;
    const char* out = "TrafficLog.dat";
    while (!args.Done()) {
        const char* option = args.Take();
        std::int64_t integer = 0;
        if (std::strcmp(option, "--out") == 0 && (out = args.Take()) != nullptr) {
            continue;
        }
        if (std::strcmp(option, "--duration") == 0 && ReadInteger(args.Take(), integer) &&
            integer >= 0 && integer <= 30 * 86400) {
            options.durationSeconds = static_cast<std::int32_t>(integer);
        } else if (std::strcmp(option, "--density") == 0 &&
                   ReadDouble(args.Take(), options.flightsPerHour) && options.flightsPerHour >= 0 &&
                   options.flightsPerHour <= 5000) {
        } else if (std::strcmp(option, "--seed") == 0 && ReadInteger(args.Take(), integer)) {
            options.seed = static_cast<std::uint64_t>(integer);
        } else if (std::strcmp(option, "--start") == 0 && ReadInteger(args.Take(), integer)) {
            options.startTime = integer;
        } else {
            return Usage(console, "generate: bad option or value");
        }
    }
    if (out == nullptr) {
        return Usage(console, "generate: --out needs a file name");
    }
    SampleGenerator generator;
    if (!generator.Generate(options, out)) {
        return Failure(console, generator);
    }
    std::fprintf(console.out, "%s: %d entries, %lld aircraft lines\n", out,
                 generator.EntriesWritten(),
                 static_cast<long long>(generator.AircraftLinesWritten()));
    return kExitClean;
}

class CheckPrinter : public CheckFindingSink {
public:
    CheckPrinter(const TrafficLogConsole& console, const char* path, std::int64_t maxReport)
        : console(console), path(path), limit(maxReport) {}
    void Report(std::int64_t line, CheckFault fault, const char* text) override {
        if (limit.Take()) {
            std::fprintf(console.out, "%s:%lld: %s: %s\n", path, static_cast<long long>(line),
                         CheckFaultName(fault), text);
        }
    }
    const ListingLimit& Limit() const { return limit; }

private:
    const TrafficLogConsole& console;
    const char* path;
    ListingLimit limit;
};

int Check(Arguments& args, const TrafficLogConsole& console) {
    std::int64_t maxReport = kDefaultMaxReport;
    const char* path = nullptr;
    while (!args.Done()) {
        if (!args.IsOption() && path == nullptr) {
            path = args.Take();
        } else if (std::strcmp(args.Take(), "--max-report") != 0 ||
                   !ReadInteger(args.Take(), maxReport) || maxReport < 0) {
            return Usage(console, "check: bad option or value");
        }
    }
    if (path == nullptr) {
        return Usage(console, "check: needs a FILE");
    }
    TrafficFileChecker checker;
    CheckPrinter printer(console, path, maxReport);
    if (!checker.Check(path, printer)) {
        // A file that cannot be read is not a clean file either.
        Failure(console, checker);
        return kExitFaults;
    }
    const std::int64_t findings = checker.FindingCount();
    if (printer.Limit().Cut(findings)) {
        std::fprintf(console.out, "%s: %lld more findings not listed (--max-report 0 lists all)\n",
                     path, static_cast<long long>(printer.Limit().Unlisted(findings)));
    }
    std::fprintf(console.out, "%s: %s: %lld lines, %d entries, %lld findings\n", path,
                 findings == 0 ? "clean" : "faults found",
                 static_cast<long long>(checker.LinesRead()), checker.EntriesSeen(),
                 static_cast<long long>(findings));
    return findings == 0 ? kExitClean : kExitFaults;
}

void PrintRecord(std::FILE* out, const AircraftRecord& record) {
    char callsign[sizeof record.callsign + 1] = {};
    CopyBounded(callsign, record.callsign, sizeof callsign);
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

int Scan(Arguments& args, const TrafficLogConsole& console) {
    double latitude = 0, longitude = 0;
    bool haveOwn = false, records = false;
    const char* path = nullptr;
    while (!args.Done()) {
        if (!args.IsOption() && path == nullptr) {
            path = args.Take();
            continue;
        }
        const char* option = args.Take();
        if (std::strcmp(option, "--own") == 0 && ReadPosition(args.Take(), latitude, longitude)) {
            haveOwn = true;
        } else if (std::strcmp(option, "--records") == 0) {
            records = true;
        } else {
            return Usage(console, "scan: bad option or value");
        }
    }
    if (path == nullptr || !haveOwn) {
        return Usage(console, "scan: needs --own LAT,LON and a FILE");
    }
    TrafficScanner scanner;
    ScanPrinter printer(console.out, records);
    if (!scanner.Scan(path, latitude, longitude, printer)) {
        return Failure(console, scanner);
    }
    std::fprintf(console.out, "%s: %d entries scanned at %.5f, %.5f%s\n", path,
                 scanner.EntriesScanned(), latitude, longitude,
                 scanner.EndedWithoutEndTag() ? "; the file ends without an end tag" : "");
    return kExitClean;
}
} // namespace

int RunTrafficLog(int argc, const char* const* argv, const TrafficLogConsole& console) {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kTrafficLogCommandHeaderRevision, kRevision});
    if (argc < 2) {
        return Usage(console, "no command");
    }
    Arguments args(argc, argv);
    const char* command = argv[1];
    if (std::strcmp(command, "generate") == 0) {
        return Generate(args, console);
    }
    if (std::strcmp(command, "convert") == 0) {
        return RunConvert(argc - 2, argv + 2, console);
    }
    if (std::strcmp(command, "record") == 0) {
        return RunRecord(argc - 2, argv + 2, console);
    }
    if (std::strcmp(command, "check") == 0) {
        return Check(args, console);
    }
    if (std::strcmp(command, "scan") == 0) {
        return Scan(args, console);
    }
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "help") == 0) {
        std::fprintf(console.out, "%s", kUsage);
        return kExitClean;
    }
    return Usage(console, "unknown command");
}
