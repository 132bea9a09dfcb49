#include "tools/trafficlog/OpenSkyConverter.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/PhysicalLineReader.h"
#include "tools/trafficlog/TrafficFileWriter.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:12 OpenSkyConverter.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kOpenSkyConverterHeaderRevision, kRevision});
}

constexpr int kMaxColumns = 32;
constexpr int kReasonSize = 200;
constexpr std::int64_t kProgressRows = 8192;

// Columns used, in the field order of an aircraft line, then the ones only checked.
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
    kUsedColumns
};
const char* const kColumnNames[kUsedColumns] = {
    "callsign",    "icao24",  "time",     "lat",      "lon",        "baroaltitude",
    "geoaltitude", "heading", "velocity", "vertrate", "lastcontact"};

char* Trim(char* text) {
    while (*text == ' ' || *text == '"') {
        ++text;
    }
    char* end = text + std::strlen(text);
    while (end > text && (end[-1] == ' ' || end[-1] == '"')) {
        *--end = '\0';
    }
    return text;
}

bool ReadNumber(const char* text, double& value) {
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value);
}

// Where a row goes: into the open entry, nowhere (out of time order), or nowhere because the
// output cannot be written, which ends the conversion.
enum class Placement { InEntry, OutOfOrder, WriteFailed };

class Conversion {
public:
    Conversion(PhysicalLineReader& reader, TrafficFileWriter& writer, ConvertSink& sink,
               ConvertCounts& counts, double staleSeconds)
        : reader(reader), writer(writer), sink(sink), counts(counts), staleSeconds(staleSeconds) {}

    // False, with the text in `error`, when the header lacks a column.
    bool ReadHeader(char* error, int size);
    // False when the output cannot be written.
    bool Row();

private:
    void Bad(const char* reason);
    bool CheckValues(char* const* fields);
    Placement Place(std::int64_t time);

    PhysicalLineReader& reader;
    TrafficFileWriter& writer;
    ConvertSink& sink;
    ConvertCounts& counts;
    double staleSeconds;
    int columnCount = 0;
    int columnOf[kUsedColumns] = {};
    bool haveEntry = false;
    std::int64_t entryTime = 0;
    bool entryFullReported = false;
};

bool Conversion::ReadHeader(char* error, int size) {
    if (!reader.Next()) {
        FormatBounded(error, size, "The file is empty: a header line naming the columns is needed");
        return false;
    }
    char* names[kMaxColumns] = {};
    columnCount = SplitAtCharBounded(reader.Head(), ",", names, kMaxColumns - 1);
    for (int used = 0; used < kUsedColumns; ++used) {
        columnOf[used] = -1;
        for (int i = 0; i < columnCount; ++i) {
            if (std::strcmp(Trim(names[i]), kColumnNames[used]) == 0) {
                columnOf[used] = i;
            }
        }
        if (columnOf[used] < 0) {
            FormatBounded(error, size, "The header line has no column \"%s\"", kColumnNames[used]);
            return false;
        }
    }
    return true;
}

void Conversion::Bad(const char* reason) {
    ++counts.badRows;
    sink.BadRow(reader.LineNumber(), reason);
}

bool Conversion::Row() {
    if (reader.Length() == 0) {
        return true;
    }
    ++counts.rows;
    if (counts.rows % kProgressRows == 0) {
        sink.Progress(reader.BytesRead(), reader.FileSize());
    }
    char reason[kReasonSize];
    if (!reader.HeadIsWhole()) {
        FormatBounded(reason, kReasonSize, "row of %lld characters is too long",
                      static_cast<long long>(reader.Length()));
        Bad(reason);
        return true;
    }
    char* fields[kMaxColumns] = {};
    const int count = SplitAtCharBounded(reader.Head(), ",", fields, kMaxColumns - 1);
    if (count != columnCount) {
        FormatBounded(reason, kReasonSize, "%d fields where the header has %d", count, columnCount);
        Bad(reason);
        return true;
    }
    char* used[kUsedColumns] = {};
    for (int i = 0; i < kUsedColumns; ++i) {
        used[i] = Trim(fields[columnOf[i]]);
    }
    if (!CheckValues(used)) {
        return true;
    }
    if (*used[Lat] == '\0' || *used[Lon] == '\0') {
        ++counts.noPosition;
        return true;
    }
    char* end = nullptr;
    const std::int64_t time = std::strtoll(used[Time], &end, 10);
    double lastContact = 0;
    ReadNumber(used[LastContact], lastContact);
    if (static_cast<double>(time) - lastContact > staleSeconds) {
        ++counts.stale;
        return true;
    }
    if (const Placement placement = Place(time); placement != Placement::InEntry) {
        return placement == Placement::OutOfOrder;
    }
    switch (writer.WriteAircraft(used)) {
    case AircraftLineResult::Written:
        ++counts.written;
        return true;
    case AircraftLineResult::FieldHasSeparator:
        Bad("a field holds \"|\", the separator of the data file");
        return true;
    case AircraftLineResult::TooLong:
        Bad("the aircraft line would be over 254 characters");
        return true;
    case AircraftLineResult::EntryFull:
        ++counts.overLimit;
        return true;
    case AircraftLineResult::WriteFailed:
        break;
    }
    return false;
}

// Values the feeder would misread; empty numeric fields stay empty (the feeder reads 0).
bool Conversion::CheckValues(char* const* fields) {
    char reason[kReasonSize];
    char* end = nullptr;
    std::strtoll(fields[Time], &end, 10);
    if (end == fields[Time] || *end != '\0') {
        FormatBounded(reason, kReasonSize, "time \"%.40s\" is not a whole number", fields[Time]);
        Bad(reason);
        return false;
    }
    if (*fields[Icao24] == '\0' || ParseHex(fields[Icao24]) == -1) {
        FormatBounded(reason, kReasonSize, "icao24 \"%.40s\" is not hexadecimal", fields[Icao24]);
        Bad(reason);
        return false;
    }
    double value = 0;
    for (int column :
         {Lat, Lon, BaroAltitude, GeoAltitude, Heading, Velocity, VertRate, LastContact}) {
        if (*fields[column] != '\0' && !ReadNumber(fields[column], value)) {
            FormatBounded(reason, kReasonSize, "%s \"%.40s\" is not a number", kColumnNames[column],
                          fields[column]);
            Bad(reason);
            return false;
        }
    }
    double latitude = 0, longitude = 0;
    if ((ReadNumber(fields[Lat], latitude) && std::fabs(latitude) > 90.0) ||
        (ReadNumber(fields[Lon], longitude) && std::fabs(longitude) > 180.0)) {
        Bad("position out of range");
        return false;
    }
    return true;
}

// Opens the entry of the row's time when the row starts one.
Placement Conversion::Place(std::int64_t time) {
    if (haveEntry && time == entryTime) {
        if (writer.AircraftInEntry() >= kMaxEntryAircraft && !entryFullReported) {
            entryFullReported = true;
            sink.EntryFull(reader.LineNumber(), time);
        }
        return Placement::InEntry;
    }
    if (haveEntry && time < entryTime) {
        char reason[kReasonSize];
        FormatBounded(reason, kReasonSize,
                      "time %lld is earlier than %lld: the input must be sorted by time",
                      static_cast<long long>(time), static_cast<long long>(entryTime));
        Bad(reason);
        return Placement::OutOfOrder;
    }
    if (!writer.BeginEntry()) {
        return Placement::WriteFailed;
    }
    haveEntry = true;
    entryTime = time;
    entryFullReported = false;
    ++counts.entries;
    return Placement::InEntry;
}

const char* BaseName(const char* path) {
    const char* base = path;
    for (const char* c = path; *c != '\0'; ++c) {
        if (*c == '/' || *c == '\\') {
            base = c + 1;
        }
    }
    return base;
}
} // namespace

bool OpenSkyConverter::Convert(const char* csvPath, const char* dataPath, ConvertSink& sink,
                               double staleSeconds) {
    RegisterModule();
    counts = ConvertCounts{};
    PhysicalLineReader reader;
    if (!reader.Open(csvPath)) {
        SetErrorText(reader.GetErrorText());
        return false;
    }
    TrafficFileWriter writer;
    Conversion conversion(reader, writer, sink, counts, staleSeconds);
    char error[kReasonSize];
    if (!conversion.ReadHeader(error, kReasonSize)) {
        ReportDetail("OpenSkyConverter::Convert", error, csvPath);
        return false;
    }
    char header[kMaxAircraftLineLength + 1];
    FormatBounded(header, sizeof header, "Recorded state vectors from %s", BaseName(csvPath));
    if (!writer.Open(dataPath, header)) {
        SetErrorText(writer.GetErrorText());
        return false;
    }
    while (reader.Next()) {
        if (!conversion.Row()) {
            SetErrorText(writer.GetErrorText());
            return false;
        }
    }
    sink.Progress(reader.BytesRead(), reader.FileSize());
    if (reader.ReadFailed()) {
        SetErrorText(reader.GetErrorText());
        return false;
    }
    if (!writer.Finish()) {
        SetErrorText(writer.GetErrorText());
        return false;
    }
    return true;
}
