#include "tools/trafficlog/TrafficFileWriter.h"

#include "config_control/ConfigControl.h"
#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "traffic/DataSetReader.h"

#include <cerrno>
#include <cstring>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:02 TrafficFileWriter.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kTrafficFileWriterHeaderRevision, kRevision});
}

// Header lines are cut to what the reader delivers as one line.
constexpr int kHeaderSize = kMaxAircraftLineLength + 1;
constexpr std::size_t kOutputBufferSize = 1 << 18;

} // namespace

AircraftLineResult CheckAircraftField(const char* field) {
    for (const char* c = field; *c != '\0'; ++c) {
        if (*c == '|') {
            return AircraftLineResult::FieldHasSeparator;
        }
        if (*c == '#') {
            return AircraftLineResult::FieldHasTagMark;
        }
        if (IsTerminalControl(static_cast<unsigned char>(*c))) {
            return AircraftLineResult::FieldHasControl;
        }
    }
    return AircraftLineResult::Written;
}

AircraftLineResult FormatAircraftLine(const char* const fields[kAircraftLineFields], char* line,
                                      int& badField) {
    int length = 0;
    for (int i = 0; i < kAircraftLineFields; ++i) {
        badField = i;
        const char* field = fields[i] != nullptr ? fields[i] : "";
        if (const AircraftLineResult fault = CheckAircraftField(field);
            fault != AircraftLineResult::Written) {
            return fault;
        }
        const int fieldLength = static_cast<int>(std::strlen(field));
        const int needed = fieldLength + (i > 0 ? 1 : 0);
        if (length + needed > kMaxAircraftLineLength) {
            return AircraftLineResult::TooLong;
        }
        if (i > 0) {
            line[length++] = '|';
        }
        std::memcpy(line + length, field, static_cast<std::size_t>(fieldLength));
        length += fieldLength;
    }
    line[length] = '\0';
    return AircraftLineResult::Written;
}

TrafficFileWriter::~TrafficFileWriter() {
    Close();
}

bool TrafficFileWriter::Open(const char* path, const char* header) {
    RegisterModule();
    Close();
    inEntry = false;
    entriesWritten = 0;
    aircraftInEntry = 0;
    file = std::fopen(path, "wb");
    if (file == nullptr) {
        ReportDetail("TrafficFileWriter::Open", std::strerror(errno), path);
        return false;
    }
    std::setvbuf(file, nullptr, _IOFBF, kOutputBufferSize);
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
    if (file == nullptr || std::fflush(file) != 0) {
        ReportError("TrafficFileWriter::Flush",
                    file == nullptr ? "No file open" : std::strerror(errno));
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
    if (file == nullptr) {
        ReportError("TrafficFileWriter::Finish", "No file open");
        return false;
    }
    bool ok = EndEntry() && WriteLine(kEndTag);
    ok = (std::fflush(file) == 0) && ok;
    if (!ok) {
        ReportError("TrafficFileWriter::Finish", std::strerror(errno));
    }
    ok = (std::fclose(file) == 0) && ok;
    file = nullptr;
    return ok;
}

bool TrafficFileWriter::WriteLine(const char* text) {
    if (file == nullptr) {
        ReportError("TrafficFileWriter::WriteLine", "No file open");
        return false;
    }
    if (std::fputs(text, file) < 0 || std::fputc('\n', file) == EOF) {
        ReportError("TrafficFileWriter::WriteLine", std::strerror(errno));
        return false;
    }
    return true;
}

void TrafficFileWriter::Close() {
    if (file != nullptr) {
        std::fclose(file);
        file = nullptr;
    }
}
