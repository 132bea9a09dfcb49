#include "tools/trafficlog/datafile/TrafficFileWriter.h"

#include "platform/RegularFile.h"
#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "traffic/DataSetReader.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace {
// Header lines are cut to what the reader delivers as one line.
constexpr int kHeaderSize = kMaxAircraftLineLength + 1;
constexpr std::size_t kOutputBufferSize = 1 << 18;

} // namespace

namespace {
// What each byte does in a field: most stand as they are.
enum class ByteRole : unsigned char { Plain, Separator, TagMark, Control };

struct ByteRoles {
    ByteRole role[256];
    ByteRoles() {
        for (int c = 0; c < 256; ++c) {
            role[c] = IsTerminalControl(static_cast<unsigned char>(c)) ? ByteRole::Control
                      : c == '|'                                       ? ByteRole::Separator
                      : c == '#'                                       ? ByteRole::TagMark
                                                                       : ByteRole::Plain;
        }
    }
};

AircraftLineResult FaultOf(ByteRole role) {
    switch (role) {
    case ByteRole::Separator:
        return AircraftLineResult::FieldHasSeparator;
    case ByteRole::TagMark:
        return AircraftLineResult::FieldHasTagMark;
    case ByteRole::Control:
        return AircraftLineResult::FieldHasControl;
    case ByteRole::Plain:
        break;
    }
    return AircraftLineResult::Written;
}

const ByteRoles& Roles() {
    static const ByteRoles roles;
    return roles;
}
} // namespace

AircraftLineResult CheckAircraftField(const char* field) {
    const ByteRoles& roles = Roles();
    for (const char* c = field; *c != '\0'; ++c) {
        const ByteRole role = roles.role[static_cast<unsigned char>(*c)];
        if (role != ByteRole::Plain) {
            return FaultOf(role);
        }
    }
    return AircraftLineResult::Written;
}

// Checks and copies in one pass: this runs for every row of a recording.
AircraftLineResult FormatAircraftLine(const char* const fields[kAircraftLineFields], char* line,
                                      int& badField) {
    const ByteRoles& roles = Roles();
    int length = 0;
    for (int i = 0; i < kAircraftLineFields; ++i) {
        badField = i;
        if (i > 0) {
            if (length == kMaxAircraftLineLength) {
                return AircraftLineResult::TooLong;
            }
            line[length++] = '|';
        }
        for (const char* c = fields[i] != nullptr ? fields[i] : ""; *c != '\0'; ++c) {
            const ByteRole role = roles.role[static_cast<unsigned char>(*c)];
            if (role != ByteRole::Plain) {
                return FaultOf(role);
            }
            if (length == kMaxAircraftLineLength) {
                return AircraftLineResult::TooLong;
            }
            line[length++] = *c;
        }
    }
    line[length] = '\0';
    return AircraftLineResult::Written;
}

TrafficFileWriter::~TrafficFileWriter() {
    Close();
}

bool TrafficFileWriter::Open(const char* path, const char* header) {
    Close();
    // Shared, so that a feeder may read the recording while it is written.
    int error = 0;
    file = CreateSharedFileForWriting(path, error);
    if (file == nullptr) {
        ReportDetail("TrafficFileWriter::Open", std::strerror(error), path);
        return false;
    }
    if (pending == nullptr) {
        pending.reset(new (std::nothrow) char[kOutputBufferSize]);
    }
    if (pending != nullptr) {
        // The lines are gathered here: a buffer of the stream's would only copy them again.
        std::setvbuf(file, nullptr, _IONBF, 0);
    }
    return Start(header);
}

bool TrafficFileWriter::Open(std::string& bytes, const char* header) {
    Close();
    bytes.clear();
    memory = &bytes;
    return Start(header);
}

bool TrafficFileWriter::Start(const char* header) {
    char headerLine[kHeaderSize];
    CopyBounded(headerLine, header != nullptr ? header : "", kHeaderSize);
    StripNewline(headerLine);
    return WriteLine(headerLine) && WriteLine(kBeginTag);
}

bool TrafficFileWriter::BeginEntry() {
    if (inEntry && !EndEntry()) {
        return false;
    }
    // The reader looks for its own tag text anywhere in the line; the trailing "###" only
    // gives the tag the look of the other tags.
    char tag[40];
    FormatBounded(tag, sizeof tag, kEntryTagFormat, entriesWritten);
    char line[48];
    FormatBounded(line, sizeof line, "%s###", tag);
    if (!WriteLine(line)) {
        return false;
    }
    inEntry = true;
    aircraftInEntry = 0;
    return true;
}

AircraftLineResult TrafficFileWriter::WriteAircraft(const char* const fields[kAircraftLineFields]) {
    if (!inEntry || aircraftInEntry >= kMaxEntryAircraft) {
        return AircraftLineResult::EntryFull;
    }
    char line[kMaxAircraftLineLength + 1];
    int badField = 0;
    const AircraftLineResult result = FormatAircraftLine(fields, line, badField);
    return result == AircraftLineResult::Written ? WriteFormattedLine(line) : result;
}

AircraftLineResult TrafficFileWriter::WriteFormattedLine(const char* line) {
    if (!inEntry || aircraftInEntry >= kMaxEntryAircraft) {
        return AircraftLineResult::EntryFull;
    }
    if (!WriteLine(line)) {
        return AircraftLineResult::WriteFailed;
    }
    ++aircraftInEntry;
    return AircraftLineResult::Written;
}

bool TrafficFileWriter::Flush() {
    if (!IsOpen() || !WritePending() || (file != nullptr && std::fflush(file) != 0)) {
        ReportError("TrafficFileWriter::Flush", !IsOpen() ? "No file open" : std::strerror(errno));
        return false;
    }
    return true;
}

bool TrafficFileWriter::EndEntry() {
    if (!inEntry) {
        return true;
    }
    inEntry = false;
    ++entriesWritten;
    return WriteLine(kEntryEndTag);
}

bool TrafficFileWriter::Finish() {
    if (!IsOpen()) {
        ReportError("TrafficFileWriter::Finish", "No file open");
        return false;
    }
    bool ok = EndEntry() && WriteLine(kEndTag);
    if (memory != nullptr) {
        memory = nullptr;
        return ok;
    }
    ok = WritePending() && (std::fflush(file) == 0) && ok;
    if (!ok) {
        ReportError("TrafficFileWriter::Finish", std::strerror(errno));
    }
    ok = (std::fclose(file) == 0) && ok;
    file = nullptr;
    return ok;
}

// Lines gather in the writer's own buffer and go to the stream a buffer at a time: a data file
// is hundreds of megabytes, and C libraries differ in what they make of a stream buffer asked for
// (glibc takes no size without the caller's memory; Wine's writes every call through). Where the
// memory could not be had, each line goes to the stream as it comes. A data file made in memory
// takes each line where it is to stay.
bool TrafficFileWriter::WriteLine(const char* text) {
    if (!IsOpen()) {
        ReportError("TrafficFileWriter::WriteLine", "No file open");
        return false;
    }
    const std::size_t length = std::strlen(text);
    if (memory != nullptr) {
        memory->append(text, length).push_back('\n');
        return true;
    }
    if (pending == nullptr || length >= kOutputBufferSize) {
        return WriteThrough(text);
    }
    if (pendingLength + length + 1 > kOutputBufferSize && !WritePending()) {
        ReportError("TrafficFileWriter::WriteLine", std::strerror(errno));
        return false;
    }
    std::memcpy(pending.get() + pendingLength, text, length);
    pending[pendingLength + length] = '\n';
    pendingLength += length + 1;
    return true;
}

bool TrafficFileWriter::WriteThrough(const char* text) {
    if (!WritePending() || std::fputs(text, file) < 0 || std::fputc('\n', file) == EOF) {
        ReportError("TrafficFileWriter::WriteLine", std::strerror(errno));
        return false;
    }
    return true;
}

// The lines gathered so far, to the stream; errno tells why when they could not be written.
bool TrafficFileWriter::WritePending() {
    const std::size_t length = pendingLength;
    pendingLength = 0;
    return length == 0 || std::fwrite(pending.get(), 1, length, file) == length;
}

void TrafficFileWriter::Close() {
    if (file != nullptr) {
        WritePending();
        std::fclose(file);
        file = nullptr;
    }
    memory = nullptr;
    inEntry = false;
    entriesWritten = 0;
    aircraftInEntry = 0;
}
