// Writes a historic traffic data file: the header line, the begin tag, numbered entries of
// aircraft lines and the end tag, in the form the feeder's data set reader plays without a
// hitch (entries numbered from 0 without gaps, lines short enough to be read whole, entries
// small enough to be read in one request).
#pragma once

#include "error_report/QX_ErrorReport.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// Fields of an aircraft line, in file order.
inline constexpr int kAircraftLineFields = 10;
// The reader delivers at most 255 characters per line, line feed included.
inline constexpr int kMaxAircraftLineLength = 254;
// The reader takes 7000 lines per entry, its end tag included.
inline constexpr std::int32_t kMaxEntryAircraft = 6999;

enum class AircraftLineResult {
    Written,
    FieldHasSeparator, // "|": the reader would split the field
    FieldHasTagMark,   // "#": the reader would take the line for a tag
    FieldHasControl,   // a control character (a line feed would even split the line)
    TooLong,
    EntryFull,
    WriteFailed
};

// Written when the field may stand in an aircraft line as it is, otherwise what is wrong.
AircraftLineResult CheckAircraftField(const char* field);

// An aircraft line of the ten fields into `line` (kMaxAircraftLineLength + 1 bytes): Written
// when it is one the reader reads as written; otherwise what is wrong, with the number of the
// field at fault in `badField`.
AircraftLineResult FormatAircraftLine(const char* const fields[kAircraftLineFields], char* line,
                                      int& badField);

class TrafficFileWriter : public QX_ErrorReport {
public:
    TrafficFileWriter() = default;
    ~TrafficFileWriter(); // closes the file (without an end tag when Finish was not called)
    TrafficFileWriter(const TrafficFileWriter&) = delete;
    TrafficFileWriter& operator=(const TrafficFileWriter&) = delete;

    // Creates (or truncates) the file and writes the header line and the begin tag. The header
    // loses its line feeds and everything after them.
    bool Open(const char* path, const char* header);
    // The same into `bytes` (emptied first), which must outlive the writing: the data file as
    // the file would hold it, made in memory (tests, fuzzing).
    bool Open(std::string& bytes, const char* header);
    // Starts the next entry (numbered 0, 1, ...); closes the open one first.
    bool BeginEntry();
    // One aircraft line into the open entry. No field may hold "|" or a line feed.
    AircraftLineResult WriteAircraft(const char* const fields[kAircraftLineFields]);
    // One line that FormatAircraftLine made into the open entry.
    AircraftLineResult WriteFormattedLine(const char* line);
    bool EndEntry();
    // Hands what was written so far to the system, so that a file cut short by a crash holds
    // every entry closed before it.
    bool Flush();
    // Closes the open entry, writes the end tag and closes the file.
    bool Finish();

    std::int32_t EntriesWritten() const { return entriesWritten; }
    std::int32_t AircraftInEntry() const { return aircraftInEntry; }
    bool InEntry() const { return inEntry; }

private:
    // The header line and the begin tag, after either Open.
    bool Start(const char* header);
    bool IsOpen() const { return file != nullptr || memory != nullptr; }
    bool WriteLine(const char* text);
    bool WriteThrough(const char* text);
    bool WritePending();
    // Closes what is open (without an end tag) and forgets the counts.
    void Close();

    // Lines not yet handed to the stream (pendingLength bytes).
    std::unique_ptr<char[]> pending;
    std::size_t pendingLength = 0;
    std::FILE* file = nullptr;
    std::string* memory = nullptr;
    bool inEntry = false;
    std::int32_t entriesWritten = 0;
    std::int32_t aircraftInEntry = 0;
};
