// Finds every way a traffic data file would make the feeder's data set reader misbehave, with
// the line where it starts. Reads the file once, line by line, in constant memory.
#pragma once

#include "error_report/QX_ErrorReport.h"
#include "tools/trafficlog/input/ByteSource.h"

#include <cstdint>

enum class CheckFault {
    MissingHeader, // the first line is a tag (or the file is empty)
    MissingBeginTag,
    MissingEndTag, // played once, then the feeder stops reading
    NoEntries,
    EntryNumber,      // not the number expected next: playback stalls until the end tag
    EntryTooLong,     // over 6999 aircraft lines
    EntryNotClosed,   // no entry end tag before the end of the file
    TagInsideEntry,   // begin, end or entry tag between an entry tag and its end tag
    LineOutsideEntry, // costs a request that publishes no traffic
    LinesAfterEnd,    // never played: the end tag rewinds the file
    LineTooLong,      // over 255 characters with its line feed: delivered in pieces
    TooFewFields,
    PositionNotNumeric, // read as 0, or only in part
    AddressNotHex,
    PositionNotShown,   // not finite: the feeder never shows the aircraft
    PositionOutOfRange, // taken as the nearest pole or the 180-degree meridian
    NumberMisread,      // time, altitude, track, speed or vertical rate not read as written
    TimeOutOfRange,     // beyond the 32-bit range: clamped
    AddressOutOfRange,  // digits dropped, or read as a negative number
    ControlCharacters,  // in the callsign, which reaches the visual system raw
    TagMarkInField,     // "#": a tag text in a field is taken for a tag
    NotFlyable,         // a speed, vertical rate or height no aircraft flies
};

inline constexpr int kCheckFaultKinds = 22;

const char* CheckFaultName(CheckFault fault);

class CheckFindingSink {
public:
    virtual void Report(std::int64_t line, CheckFault fault, const char* text) = 0;

protected:
    ~CheckFindingSink() = default;
};

class TrafficFileChecker : public QX_ErrorReport {
public:
    // False when the file cannot be read (the error text says why); findings go to the sink.
    bool Check(const char* path, CheckFindingSink& sink);
    // The same over a data file's bytes from elsewhere (memory).
    bool Check(ByteSource& bytes, CheckFindingSink& sink);
    std::int64_t FindingCount() const { return findings; }
    std::int64_t LinesRead() const { return lines; }
    std::int32_t EntriesSeen() const { return entries; }

private:
    bool Run(class PhysicalLineReader& reader, CheckFindingSink& sink);

    std::int64_t findings = 0;
    std::int64_t lines = 0;
    std::int32_t entries = 0;
};
