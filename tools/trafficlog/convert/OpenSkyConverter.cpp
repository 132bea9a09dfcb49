#include "tools/trafficlog/convert/OpenSkyConverter.h"

#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/datafile/FlightValueText.h"
#include "tools/trafficlog/sources/FieldText.h"
#include "traffic/DecimalText.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
constexpr int kReasonSize = 200;
constexpr std::int64_t kProgressRows = 8192;

// Columns used, in the field order of an aircraft line, then the ones only checked; the last
// two are optional (older extracts lack them).
enum Column {
    Callsign,
    Icao24,
    Time,
    Lat,
    Lon,
    BaroAltitude,
    GeoAltitude,
    Heading,
    Velocity,
    VertRate,
    LastContact,
    LastPosUpdate,
    OnGround,
    kColumns
};
constexpr int kRequiredColumns = LastPosUpdate;
const char* const kColumnNames[kColumns] = {
    "callsign",     "icao24",        "time",    "lat",      "lon",
    "baroaltitude", "geoaltitude",   "heading", "velocity", "vertrate",
    "lastcontact",  "lastposupdate", "onground"};
const char kMissing[] = "";

// The value of a field number (0 when empty) whose range is known.
double ExactValue(const char* text, const FieldNumberRange& range) {
    return range.low == range.high ? range.low : ParseDecimal(text);
}

// Whether the time of a row lies more than the limit after the field's; the field converted
// only when its range leaves that open. Subtracting rounds in the same order as it subtracts.
bool IsOlder(const char* text, const FieldNumberRange& range, double now, double limit) {
    if (*text == '\0' || now - range.low <= limit) {
        return false;
    }
    return now - range.high > limit || now - ExactValue(text, range) > limit;
}

bool IsTrue(const char* text) {
    return std::strcmp(text, "True") == 0 || std::strcmp(text, "true") == 0 ||
           std::strcmp(text, "1") == 0;
}
} // namespace

OpenSkyInput::OpenSkyInput(ConversionContext& context, PhysicalLineReader& reader, const char* name)
    : context(context), reader(reader), name(name) {}

bool OpenSkyInput::ReadHeader(char* error, int size) {
    char* names[kMaxColumns] = {};
    columnCount = SplitAtCharBounded(reader.Head(), ",", names, kMaxColumns - 1);
    for (int used = 0; used < kColumns; ++used) {
        columnOf[used] = -1;
        for (int i = 0; i < columnCount; ++i) {
            if (std::strcmp(TrimField(names[i]), kColumnNames[used]) == 0) {
                columnOf[used] = i;
            }
        }
        if (columnOf[used] < 0 && used < kRequiredColumns) {
            FormatBounded(error, size, "The header line has no column \"%s\"", kColumnNames[used]);
            return false;
        }
    }
    return true;
}

InputEnd OpenSkyInput::Run() {
    while (end == InputEnd::Done && reader.Next()) {
        if (Row() == Step::Stop) {
            return end;
        }
    }
    context.Progress();
    return reader.ReadFailed() ? InputEnd::ReadFailed : end;
}

OpenSkyInput::Step OpenSkyInput::Row() {
    if (reader.Length() == 0) {
        return Step::Next;
    }
    ConvertCounts& counts = context.counts;
    ++counts.rows;
    if (counts.rows % kProgressRows == 0) {
        context.Progress();
    }
    char reason[kReasonSize];
    if (!reader.HeadIsWhole()) {
        FormatBounded(reason, kReasonSize, "row of %lld characters is too long",
                      static_cast<long long>(reader.Length()));
        context.Bad(name, reader.LineNumber(), reason);
        return Step::Next;
    }
    char* fields[kMaxColumns] = {};
    const int count = SplitAtCharBounded(reader.Head(), ",", fields, kMaxColumns - 1);
    if (count != columnCount) {
        FormatBounded(reason, kReasonSize, "%d fields where the header has %d", count, columnCount);
        context.Bad(name, reader.LineNumber(), reason);
        return Step::Next;
    }
    char* used[kColumns] = {};
    // A field ends where the next one starts; only the last one's end is looked for.
    char* lastEnd = fields[count - 1] + std::strlen(fields[count - 1]);
    for (int i = 0; i < kColumns; ++i) {
        const int column = columnOf[i];
        used[i] = column < 0           ? const_cast<char*>(kMissing)
                  : column + 1 < count ? TrimField(fields[column], fields[column + 1] - 1)
                                       : TrimField(fields[column], lastEnd);
    }
    if (!CheckValues(used)) {
        return Step::Next;
    }
    if (Place(rowTime) == Step::Stop) {
        return Step::Stop;
    }
    if (!Keep(used, rowTime)) {
        return Step::Next;
    }
    if (*used[Callsign] == '\0') {
        used[Callsign] = used[Icao24];
    }
    char line[kMaxAircraftLineLength + 1];
    int badField = 0;
    const AircraftLineResult result = FormatAircraftLine(used, line, badField);
    if (result != AircraftLineResult::Written) {
        context.BadField(name, reader.LineNumber(), result, kColumnNames[badField], used[badField]);
        return Step::Next;
    }
    if (context.assembler.Offer(line, latitude, longitude) && !entryFullReported) {
        entryFullReported = true;
        context.sink.EntryFull(name, reader.LineNumber(), rowTime);
    }
    return Step::Next;
}

// Values the feeder would misread; empty numeric fields stay empty (the feeder reads 0).
bool OpenSkyInput::CheckValues(char* const* fields) {
    char reason[kReasonSize];
    char shown[41];
    if (!ReadFieldInteger(fields[Time], rowTime)) {
        FormatBounded(reason, kReasonSize, "time \"%s\" is not a whole number",
                      MaskControlsBounded(shown, fields[Time], sizeof shown));
        context.Bad(name, reader.LineNumber(), reason);
        return false;
    }
    if (rowTime > INT32_MAX || rowTime < INT32_MIN) {
        FormatBounded(reason, kReasonSize,
                      "time %lld is beyond what a data file holds (2147483647, in 2038)",
                      static_cast<long long>(rowTime));
        context.Bad(name, reader.LineNumber(), reason);
        return false;
    }
    if (!IsAddressText(fields[Icao24])) {
        FormatBounded(reason, kReasonSize, "icao24 \"%s\" is not hexadecimal of at most 6 digits",
                      MaskControlsBounded(shown, fields[Icao24], sizeof shown));
        context.Bad(name, reader.LineNumber(), reason);
        return false;
    }
    // Each number checked, and its value bounded, in one walk; an empty field reads as 0 and,
    // here, as nothing: no position, no age. The values are written back as they were read, so
    // only the position, which orders the aircraft of an entry, is always converted exactly.
    FieldNumberRange ranges[kColumns] = {};
    for (int column : {Lat, Lon, BaroAltitude, GeoAltitude, Heading, Velocity, VertRate,
                       LastContact, LastPosUpdate}) {
        if (*fields[column] != '\0' && !ReadFieldRange(fields[column], ranges[column])) {
            FormatBounded(reason, kReasonSize, "%s \"%s\" is not a number", kColumnNames[column],
                          MaskControlsBounded(shown, fields[column], sizeof shown));
            context.Bad(name, reader.LineNumber(), reason);
            return false;
        }
    }
    contactText = fields[LastContact];
    updateText = fields[LastPosUpdate];
    contact = ranges[LastContact];
    update = ranges[LastPosUpdate];
    latitude = ExactValue(fields[Lat], ranges[Lat]);
    longitude = ExactValue(fields[Lon], ranges[Lon]);
    if (std::fabs(latitude) > 90.0 || std::fabs(longitude) > 180.0) {
        context.Bad(name, reader.LineNumber(), "position out of range");
        return false;
    }
    return CheckFlyable(fields, ranges);
}

// A value no aircraft flies would throw the aircraft off the Earth once the feeder's client
// moves it forward. A range flown at both ends is flown throughout.
bool OpenSkyInput::CheckFlyable(char* const* fields, const FieldNumberRange* ranges) {
    static constexpr struct {
        Column column;
        FlightValue kind;
    } kFlightColumns[] = {{Velocity, FlightValue::GroundSpeed},
                          {VertRate, FlightValue::VerticalRate},
                          {BaroAltitude, FlightValue::Height},
                          {GeoAltitude, FlightValue::Height}};
    char reason[kReasonSize];
    for (const auto& [column, kind] : kFlightColumns) {
        const FieldNumberRange& range = ranges[column];
        if (*fields[column] == '\0' ||
            (IsFlyable(kind, range.low) && IsFlyable(kind, range.high))) {
            continue;
        }
        if (IsUnflyable(kind, kColumnNames[column], ExactValue(fields[column], range), reason,
                        kReasonSize)) {
            context.Bad(name, reader.LineNumber(), reason);
            return false;
        }
    }
    return true;
}

// The rows that go into the recording, the others counted by why they do not.
bool OpenSkyInput::Keep(char* const* fields, std::int64_t time) {
    ConvertCounts& counts = context.counts;
    if (!context.InWindow(time)) {
        return false;
    }
    if (*fields[Lat] == '\0' || *fields[Lon] == '\0') {
        ++counts.noPosition;
        return false;
    }
    const double limit = context.options.staleSeconds;
    const auto now = static_cast<double>(time);
    if (IsOlder(contactText, contact, now, limit) || IsOlder(updateText, update, now, limit)) {
        ++counts.stale;
        return false;
    }
    if (!context.options.keepGround && IsTrue(fields[OnGround])) {
        ++counts.onGround;
        return false;
    }
    return context.assembler.InRegion(latitude, longitude);
}

// Opens the entry of the row's time when the row starts one; stops at a row out of time order.
OpenSkyInput::Step OpenSkyInput::Place(std::int64_t time) {
    if (context.haveTime && time < context.lastTime) {
        char text[kReasonSize];
        if (placedAny) {
            end = InputEnd::Unsorted;
            FormatBounded(text, kReasonSize,
                          "time %lld is earlier than %lld: the rows are not sorted by time",
                          static_cast<long long>(time), static_cast<long long>(context.lastTime));
            context.Bad(name, reader.LineNumber(), text);
        } else {
            end = InputEnd::WentBack;
            FormatBounded(text, kReasonSize,
                          "%s starts at time %lld, before %lld where the inputs before it end: "
                          "left out, not merged",
                          name, static_cast<long long>(time),
                          static_cast<long long>(context.lastTime));
            context.sink.Notice(text);
        }
        return Step::Stop;
    }
    placedAny = true;
    const bool newTime = !context.haveTime || time > context.lastTime;
    context.haveTime = true;
    context.lastTime = time;
    if (!newTime || !context.Covers(time)) {
        return Step::Next;
    }
    entryFullReported = false;
    if (!context.assembler.Start(time)) {
        end = InputEnd::WriteFailed;
        return Step::Stop;
    }
    ++context.counts.entries;
    return Step::Next;
}
