#include "tools/trafficlog/datafile/TrafficFileChecker.h"

#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/datafile/AircraftLineCheck.h"
#include "tools/trafficlog/datafile/PlainFields.h"
#include "tools/trafficlog/datafile/TrafficFileWriter.h"
#include "tools/trafficlog/input/PhysicalLineReader.h"
#include "traffic/DataSetReader.h"
#include "traffic/TrafficAnalyser.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {
// The part of an entry tag that every entry number shares.
constexpr char kEntryTagStart[] = "####_ENTRY_";
constexpr char kTagMark = '#';
constexpr char kFieldSeparator = '|';
// The reader's line buffer holds this many characters, line feed included.
constexpr std::int64_t kDeliveredLineLength = kLineBufferSize - 1;
// Room for a whole line as the checker keeps it, and the words around it.
constexpr int kTextSize = PhysicalLineReader::kHeadSize + 256;
constexpr int kEntryTagSize = 40;
constexpr std::int64_t kLastEntryNumber = INT32_MAX; // the feeder counts entries in an int

const char* const kFieldNames[kAircraftLineFields] = {
    "callsign",           "address",   "time",
    "latitude",           "longitude", "barometric altitude",
    "geometric altitude", "track",     "ground speed",
    "vertical rate"};

bool HasText(const char* line, const char* text) {
    return std::strstr(line, text) != nullptr;
}

bool HasSeparator(const char* line) {
    return std::strchr(line, kFieldSeparator) != nullptr;
}

// The number of an entry tag in the line ("####_ENTRY_<digits>_#"), or -1. Numbers beyond the
// feeder's int counter come back as its largest value, which it never reaches either.
std::int64_t TaggedEntryNumber(const char* line) {
    for (const char* at = std::strstr(line, kEntryTagStart); at != nullptr;
         at = std::strstr(at + 1, kEntryTagStart)) {
        const char* digits = at + sizeof kEntryTagStart - 1;
        char* end = nullptr;
        const long long number = std::strtoll(digits, &end, 10);
        if (end != digits && *digits >= '0' && *digits <= '9' && end[0] == '_' && end[1] == '#') {
            return std::min<long long>(number, kLastEntryNumber);
        }
    }
    return -1;
}

// The entry tag as the line writes it: from its start up to a space, a separator or the end.
void EntryTagText(const char* line, char* tag, int size) {
    const char* start = std::strstr(line, kEntryTagStart);
    if (start == nullptr) {
        start = line;
    }
    const std::size_t length = std::strcspn(start, " \t|");
    CopyBounded(tag, start, static_cast<int>(std::min<std::size_t>(length + 1, size)));
}

const char* TagIn(const char* line) {
    return HasText(line, kBeginTag) ? kBeginTag : kEndTag;
}

class CheckRun : public LineFindingSink {
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
    void FieldFinding(CheckFault fault, int field, const char* text,
                      const char* consequence) override;
    void LineFinding(CheckFault fault, const char* text) override { Report(fault, text); }
    void TagMark(const char* consequence);

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
            "%lld characters: the feeder reads the line as %lld lines of at most %lld",
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
               "the first line is a tag: the feeder takes it for the header, so the tag is lost");
    }
}

// A line with separators is an aircraft line that lost its way; its tag text still acts as a
// tag wherever the feeder looks for one.
void CheckRun::OutsideEntry() {
    const char* line = reader.Head();
    if (seenEnd) {
        if (!reportedAfterEnd) {
            reportedAfterEnd = true;
            Report(CheckFault::LinesAfterEnd,
                   "never played: the end tag before them rewinds the file");
        }
        return;
    }
    if (HasText(line, kBeginTag)) {
        TagMark("the feeder takes the line for the begin tag");
        seenBegin = true;
    } else if (HasText(line, kEndTag)) {
        TagMark("the feeder takes the line for the end tag and starts again from the top");
        seenEnd = true;
    } else if (HasText(line, kEntryTagStart) && !HasText(line, kEntryEndTag)) {
        TagMark("the feeder takes the line for an entry tag");
        StartEntry();
    } else {
        Report(CheckFault::LineOutsideEntry,
               "the feeder spends a request (ten seconds) on this line and publishes no traffic");
    }
}

// The feeder starts an entry only on the tag text it builds for the number it expects.
void CheckRun::StartEntry() {
    if (entries == 0 && !seenBegin) {
        Report(CheckFault::MissingBeginTag,
               "\"####_BEGIN_####\" is not there before the first entry: the feeder plays the "
               "entries without it");
        seenBegin = true;
    }
    char expectedTag[kEntryTagSize] = "";
    if (expectedEntry <= kLastEntryNumber) {
        FormatBounded(expectedTag, kEntryTagSize, kEntryTagFormat, static_cast<int>(expectedEntry));
    }
    std::int64_t number = expectedEntry;
    if (expectedTag[0] == '\0' || !HasText(reader.Head(), expectedTag)) {
        char tag[PhysicalLineReader::kHeadSize];
        EntryTagText(reader.Head(), tag, sizeof tag);
        char text[kTextSize];
        if (expectedTag[0] == '\0') {
            FormatBounded(text, kTextSize,
                          "\"%s\" after entry %lld: the feeder counts no further and passes over "
                          "every line from here to the end tag",
                          tag, static_cast<long long>(kLastEntryNumber));
        } else {
            FormatBounded(text, kTextSize,
                          "\"%s\" where \"%s\" is expected: the feeder passes over every line "
                          "from here to the end tag, so no later entry plays",
                          tag, expectedTag);
        }
        Report(CheckFault::EntryNumber, text);
        // Go on from the number written, so that each break in the numbering is one finding.
        if (const std::int64_t tagged = TaggedEntryNumber(reader.Head()); tagged >= 0) {
            number = tagged;
        }
    }
    expectedEntry = number + 1;
    inEntry = true;
    entryNumber = number;
    entryLine = reader.LineNumber();
    entryLines = 0;
    ++entries;
}

void CheckRun::InsideEntry() {
    // Nearly every line: one the feeder reads whole and as written leaves nothing to report.
    if (reader.Length() < kDeliveredLineLength - 1 && IsPlainAircraftLine(reader.Line())) {
        entryLines += 1;
        return;
    }
    const char* line = reader.Head();
    // Every tag holds the tag mark: a line without one is an aircraft line, whatever else.
    if (std::strchr(line, kTagMark) == nullptr) {
        AircraftLine();
        return;
    }
    char text[kTextSize];
    if (HasText(line, kEntryEndTag)) {
        FormatBounded(text, kTextSize, "the feeder ends entry %lld here",
                      static_cast<long long>(entryNumber));
        TagMark(text);
        CloseEntry();
    } else if (HasText(line, kBeginTag) || HasText(line, kEndTag)) {
        entryLines += 1;
        if (HasSeparator(line)) {
            TagMark("the feeder takes the line for a tag and passes over this aircraft");
            return;
        }
        FormatBounded(text, kTextSize, "\"%s\" in entry %lld: the feeder passes over it there",
                      TagIn(line), static_cast<long long>(entryNumber));
        Report(CheckFault::TagInsideEntry, text);
    } else if (HasText(line, kEntryTagStart) && !HasSeparator(line)) {
        char tag[PhysicalLineReader::kHeadSize];
        EntryTagText(line, tag, sizeof tag);
        FormatBounded(text, kTextSize,
                      "\"%s\" in entry %lld, whose end tag is missing: the feeder reads the tag "
                      "as an aircraft line and what follows as part of entry %lld",
                      tag, static_cast<long long>(entryNumber),
                      static_cast<long long>(entryNumber));
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

// Names the field and quotes it, then says what the feeder does with it.
void CheckRun::FieldFinding(CheckFault fault, int field, const char* text,
                            const char* consequence) {
    char finding[kTextSize];
    FormatBounded(finding, kTextSize, "%s \"%.60s\": %s",
                  field < kAircraftLineFields ? kFieldNames[field] : "a field", text, consequence);
    Report(fault, finding);
}

// Reported only for a line with separators: a tag line without them is a tag.
void CheckRun::TagMark(const char* consequence) {
    if (!HasSeparator(reader.Head())) {
        return;
    }
    char line[kLineBufferSize];
    CopyBounded(line, reader.Head(), static_cast<int>(kDeliveredLineLength));
    char* fields[kMaxLineFields + 1] = {};
    const int count = SplitAtCharBounded(line, "|", fields, kMaxLineFields);
    int field = 0;
    while (field < count - 1 && std::strchr(fields[field], kTagMark) == nullptr) {
        ++field;
    }
    FieldFinding(CheckFault::TagMarkInField, field, fields[field], consequence);
}

void CheckRun::AircraftLine() {
    entryLines += (reader.Length() + kDeliveredLineLength) / kDeliveredLineLength;
    if (std::strchr(reader.Head(), kTagMark) != nullptr) {
        TagMark("the feeder reads this aircraft, but takes a tag text anywhere in a line for a "
                "tag");
    }
    // The feeder sees no more than the first delivered piece. The line is cut and split where
    // it lies: nothing reads it after this.
    char* line = reader.Head();
    if (reader.Length() >= kDeliveredLineLength - 1) {
        line[kDeliveredLineLength - 1] = '\0';
    }
    char* fields[kMaxLineFields + 1] = {};
    const int count = SplitAtCharBounded(line, "|", fields, kMaxLineFields);
    CheckAircraftFields(fields, count, *this);
}

void CheckRun::Finish() {
    if (reader.LineNumber() == 0) {
        ReportAt(1, CheckFault::MissingHeader, "the file is empty");
    }
    if (inEntry) {
        char text[kTextSize];
        FormatBounded(text, kTextSize, "entry %lld: the feeder reads it to the end of the file",
                      static_cast<long long>(entryNumber));
        ReportAt(entryLine, CheckFault::EntryNotClosed, text);
        CloseEntry();
    }
    const std::int64_t last = reader.LineNumber() + 1;
    if (!seenBegin) {
        ReportAt(last, CheckFault::MissingBeginTag,
                 "\"####_BEGIN_####\" is not there: the feeder does without it");
    }
    if (entries == 0) {
        ReportAt(last, CheckFault::NoEntries, "the feeder never publishes traffic from this file");
    }
    if (!seenEnd) {
        ReportAt(last, CheckFault::MissingEndTag,
                 "\"####_END_####\" is not there: the feeder plays the file once and then stops; "
                 "a recording cut short is closed by adding that line at its end");
    }
}
} // namespace

const char* CheckFaultName(CheckFault fault) {
    static const char* const kNames[kCheckFaultKinds] = {
        "missing header",       "missing begin tag",
        "missing end tag",      "no entries",
        "entry number",         "entry too long",
        "entry not closed",     "tag inside entry",
        "line outside entry",   "lines after end",
        "line too long",        "too few fields",
        "position not numeric", "address not hexadecimal",
        "position not shown",   "position out of range",
        "number misread",       "time out of range",
        "address out of range", "control characters",
        "tag mark in field",    "not flyable"};
    const int index = static_cast<int>(fault);
    return index >= 0 && index < kCheckFaultKinds ? kNames[index] : "?";
}

bool TrafficFileChecker::Check(const char* path, CheckFindingSink& sink) {
    PhysicalLineReader reader;
    if (!reader.Open(path)) {
        SetErrorText(reader.GetErrorText());
        return false;
    }
    return Run(reader, sink);
}

bool TrafficFileChecker::Check(ByteSource& bytes, CheckFindingSink& sink) {
    PhysicalLineReader reader;
    reader.Attach(bytes);
    return Run(reader, sink);
}

bool TrafficFileChecker::Run(PhysicalLineReader& reader, CheckFindingSink& sink) {
    findings = 0;
    lines = 0;
    entries = 0;
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
