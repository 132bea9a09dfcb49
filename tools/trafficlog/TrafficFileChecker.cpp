#include "tools/trafficlog/TrafficFileChecker.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/PhysicalLineReader.h"
#include "tools/trafficlog/TrafficFileWriter.h"
#include "traffic/DataSetReader.h"
#include "traffic/TrafficAnalyser.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:08 TrafficFileChecker.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kTrafficFileCheckerHeaderRevision, kRevision});
}

// The part of an entry tag that every entry number shares.
constexpr char kEntryTagStart[] = "####_ENTRY_";
// The reader's line buffer holds this many characters, line feed included.
constexpr std::int64_t kDeliveredLineLength = kLineBufferSize - 1;
constexpr int kTextSize = 320;
constexpr int kEntryTagSize = 40;

bool HasText(const char* line, const char* text) {
    return std::strstr(line, text) != nullptr;
}

// The number of an entry tag in the line ("####_ENTRY_<digits>_#"), or -1. Numbers beyond the
// feeder's int counter come back as its largest value, which the feeder never reaches either;
// unlimited, the next expected number would overflow.
std::int64_t TaggedEntryNumber(const char* line) {
    for (const char* at = std::strstr(line, kEntryTagStart); at != nullptr;
         at = std::strstr(at + 1, kEntryTagStart)) {
        const char* digits = at + sizeof kEntryTagStart - 1;
        char* end = nullptr;
        const long long number = std::strtoll(digits, &end, 10);
        if (end != digits && *digits >= '0' && *digits <= '9' && end[0] == '_' && end[1] == '#') {
            return std::min<long long>(number, INT32_MAX);
        }
    }
    return -1;
}

bool IsUsableNumber(const char* text) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || !std::isfinite(value)) {
        return false;
    }
    while (*end == ' ' || *end == '\t') {
        ++end;
    }
    return *end == '\0';
}

class CheckRun {
public:
    CheckRun(PhysicalLineReader& reader, CheckFindingSink& sink) : reader(reader), sink(sink) {}

    void Line();
    void Finish();
    std::int64_t Findings() const { return findings; }
    std::int32_t Entries() const { return entries; }

private:
    void Report(CheckFault fault, const char* text) { ReportAt(reader.LineNumber(), fault, text); }
    void ReportAt(std::int64_t line, CheckFault fault, const char* text);
    void Header();
    void OutsideEntry();
    void InsideEntry();
    void StartEntry();
    void CloseEntry();
    void AircraftLine();

    PhysicalLineReader& reader;
    CheckFindingSink& sink;
    std::int64_t findings = 0;
    std::int32_t entries = 0;
    std::int64_t expectedEntry = 0;
    bool inEntry = false;
    std::int64_t entryNumber = 0;
    std::int64_t entryLine = 0;
    std::int64_t entryLines = 0; // lines as the feeder delivers them
    bool seenBegin = false;
    bool seenEnd = false;
    bool reportedAfterEnd = false;
};

void CheckRun::ReportAt(std::int64_t line, CheckFault fault, const char* text) {
    ++findings;
    sink.Report(line, fault, text);
}

void CheckRun::Line() {
    if (reader.Length() + 1 > kDeliveredLineLength) {
        char text[kTextSize];
        FormatBounded(
            text, kTextSize,
            "line of %lld characters: the feeder reads it as %lld lines of at most %lld",
            static_cast<long long>(reader.Length()),
            static_cast<long long>((reader.Length() + kDeliveredLineLength) / kDeliveredLineLength),
            static_cast<long long>(kDeliveredLineLength));
        Report(CheckFault::LineTooLong, text);
    }
    if (reader.LineNumber() == 1) {
        Header();
    } else if (inEntry) {
        InsideEntry();
    } else {
        OutsideEntry();
    }
}

void CheckRun::Header() {
    const char* line = reader.Head();
    if (HasText(line, kBeginTag) || HasText(line, kEndTag) || HasText(line, kEntryTagStart)) {
        Report(CheckFault::MissingHeader,
               "no header line: the feeder takes the first line as the header, so this tag "
               "is lost");
    }
}

void CheckRun::OutsideEntry() {
    const char* line = reader.Head();
    if (seenEnd) {
        if (!reportedAfterEnd) {
            reportedAfterEnd = true;
            Report(CheckFault::LinesAfterEnd,
                   "lines after the end tag are never played: the end tag rewinds the file");
        }
        return;
    }
    if (HasText(line, kBeginTag)) {
        seenBegin = true;
    } else if (HasText(line, kEndTag)) {
        seenEnd = true;
    } else if (HasText(line, kEntryTagStart) && !HasText(line, kEntryEndTag)) {
        StartEntry();
    } else {
        Report(CheckFault::LineOutsideEntry,
               "line outside an entry: the feeder spends a request (ten seconds) on it and "
               "publishes no traffic");
    }
}

// The feeder starts an entry only on the tag text it builds for the number it expects.
void CheckRun::StartEntry() {
    if (entries == 0 && !seenBegin) {
        Report(CheckFault::MissingBeginTag,
               "no begin tag \"####_BEGIN_####\" before the first entry");
        seenBegin = true;
    }
    char expectedTag[kEntryTagSize];
    FormatBounded(expectedTag, kEntryTagSize, kEntryTagFormat, static_cast<int>(expectedEntry));
    std::int64_t number = expectedEntry;
    if (!HasText(reader.Head(), expectedTag)) {
        char text[kTextSize];
        FormatBounded(text, kTextSize,
                      "entry tag \"%.40s\" where \"%s\" is expected: playback stalls here, the "
                      "feeder passes over every line up to the end tag",
                      reader.Head(), expectedTag);
        Report(CheckFault::EntryNumber, text);
        // Go on from the number written, so that each gap is reported once.
        number = std::max<std::int64_t>(TaggedEntryNumber(reader.Head()), expectedEntry);
    }
    expectedEntry = number + 1;
    inEntry = true;
    entryNumber = number;
    entryLine = reader.LineNumber();
    entryLines = 0;
    ++entries;
}

void CheckRun::InsideEntry() {
    const char* line = reader.Head();
    if (HasText(line, kEntryEndTag)) {
        CloseEntry();
    } else if (HasText(line, kBeginTag) || HasText(line, kEndTag)) {
        entryLines += 1;
        char text[kTextSize];
        FormatBounded(text, kTextSize,
                      "begin or end tag inside entry %lld: the feeder ignores it there",
                      static_cast<long long>(entryNumber));
        Report(CheckFault::TagInsideEntry, text);
    } else if (HasText(line, kEntryTagStart)) {
        char text[kTextSize];
        FormatBounded(text, kTextSize,
                      "entry tag inside entry %lld (its end tag is missing): the feeder reads "
                      "the tag as an aircraft line and what follows as part of entry %lld",
                      static_cast<long long>(entryNumber), static_cast<long long>(entryNumber));
        Report(CheckFault::TagInsideEntry, text);
        CloseEntry();
        StartEntry();
    } else {
        AircraftLine();
    }
}

void CheckRun::CloseEntry() {
    if (entryLines > kMaxEntryAircraft) {
        char text[kTextSize];
        FormatBounded(text, kTextSize,
                      "entry %lld has %lld aircraft lines, over %d: the feeder reads the first "
                      "%d and passes over the rest one line per request",
                      static_cast<long long>(entryNumber), static_cast<long long>(entryLines),
                      kMaxEntryAircraft, kMaxEntryLines);
        ReportAt(entryLine, CheckFault::EntryTooLong, text);
    }
    inEntry = false;
}

void CheckRun::AircraftLine() {
    entryLines += (reader.Length() + kDeliveredLineLength) / kDeliveredLineLength;
    // The feeder sees no more than the first delivered piece.
    char line[kLineBufferSize];
    CopyBounded(line, reader.Head(), static_cast<int>(kDeliveredLineLength));
    char* fields[kMaxLineFields + 1] = {};
    const int count = SplitAtCharBounded(line, "|", fields, kMaxLineFields);
    char text[kTextSize];
    if (count < kAircraftLineFields) {
        FormatBounded(text, kTextSize, "aircraft line with %d fields, %d expected", count,
                      kAircraftLineFields);
        Report(CheckFault::TooFewFields, text);
    }
    if (count >= 5 && (!IsUsableNumber(fields[3]) || !IsUsableNumber(fields[4]))) {
        FormatBounded(text, kTextSize,
                      "position \"%.40s\", \"%.40s\" is not a number: the feeder reads it as 0",
                      fields[3], fields[4]);
        Report(CheckFault::PositionNotNumeric, text);
    } else if (count >= 2 && count < 5) {
        Report(CheckFault::PositionNotNumeric, "no position: the feeder reads it as 0, 0");
    }
    if (count >= 2) {
        RemoveChar(fields[1], '"');
        if (ParseHex(fields[1]) == -1) {
            FormatBounded(text, kTextSize, "address \"%.40s\" is not hexadecimal", fields[1]);
            Report(CheckFault::AddressNotHex, text);
        }
    }
}

void CheckRun::Finish() {
    if (reader.LineNumber() == 0) {
        ReportAt(1, CheckFault::MissingHeader, "the file is empty");
    }
    if (inEntry) {
        char text[kTextSize];
        FormatBounded(text, kTextSize, "entry %lld has no end tag: it runs to the end of the file",
                      static_cast<long long>(entryNumber));
        ReportAt(entryLine, CheckFault::EntryNotClosed, text);
        CloseEntry();
    }
    const std::int64_t last = reader.LineNumber() + 1;
    if (!seenBegin) {
        ReportAt(last, CheckFault::MissingBeginTag, "no begin tag \"####_BEGIN_####\"");
    }
    if (entries == 0) {
        ReportAt(last, CheckFault::NoEntries, "no entries: the feeder never publishes traffic");
    }
    if (!seenEnd) {
        ReportAt(last, CheckFault::MissingEndTag,
                 "no end tag \"####_END_####\": the feeder plays the file once and then stops; "
                 "a recording cut short is closed by adding that line at its end");
    }
}
} // namespace

const char* CheckFaultName(CheckFault fault) {
    static const char* const kNames[kCheckFaultKinds] = {
        "missing header",       "missing begin tag",      "missing end tag",  "no entries",
        "entry number",         "entry too long",         "entry not closed", "tag inside entry",
        "line outside entry",   "lines after end",        "line too long",    "too few fields",
        "position not numeric", "address not hexadecimal"};
    const int index = static_cast<int>(fault);
    return index >= 0 && index < kCheckFaultKinds ? kNames[index] : "?";
}

bool TrafficFileChecker::Check(const char* path, CheckFindingSink& sink) {
    RegisterModule();
    findings = 0;
    lines = 0;
    entries = 0;
    PhysicalLineReader reader;
    if (!reader.Open(path)) {
        SetErrorText(reader.GetErrorText());
        return false;
    }
    CheckRun run(reader, sink);
    while (reader.Next()) {
        run.Line();
    }
    if (reader.ReadFailed()) {
        SetErrorText(reader.GetErrorText());
        return false;
    }
    run.Finish();
    findings = run.Findings();
    lines = reader.LineNumber();
    entries = run.Entries();
    return true;
}
