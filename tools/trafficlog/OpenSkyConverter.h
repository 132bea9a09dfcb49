// Turns a recorded state-vector CSV file (the historical download format: a header line naming
// the columns time, icao24, lat, lon, velocity, heading, vertrate, callsign, onground, alert,
// spi, squawk, baroaltitude, geoaltitude, lastposupdate, lastcontact) into a traffic data file.
//
// One entry per distinct time, in file order; the input must be sorted by time (as recorded
// downloads are): a row whose time is earlier than the entry being written is a bad row.
// Rows without a position and stale rows (time - lastcontact > staleSeconds) are dropped and
// counted. Values are copied as they stand, units unchanged. Streams: memory does not grow
// with the input.
#pragma once

#include "error_report/QX_ErrorReport.h"

#include <cstdint>

inline constexpr char kOpenSkyConverterHeaderRevision[] =
    "%Z% TrafficLog QX5002:11 OpenSkyConverter.h $Revision: 1.1 $";

struct ConvertCounts {
    std::int64_t rows = 0;       // data rows read (blank lines not counted)
    std::int64_t written = 0;    // aircraft lines written
    std::int64_t noPosition = 0; // dropped: latitude or longitude empty
    std::int64_t stale = 0;      // dropped: last contact too old
    std::int64_t badRows = 0;    // reported to the sink with their line numbers
    std::int64_t overLimit = 0;  // dropped: beyond what one entry may hold
    std::int32_t entries = 0;
};

class ConvertSink {
public:
    virtual void BadRow(std::int64_t line, const char* reason) = 0;
    // Rows of one time beyond what one entry may hold; reported once per entry.
    virtual void EntryFull(std::int64_t line, std::int64_t time) = 0;
    virtual void Progress(std::int64_t bytesRead, std::int64_t fileSize) = 0;

protected:
    ~ConvertSink() = default;
};

class OpenSkyConverter : public QX_ErrorReport {
public:
    static constexpr double kDefaultStaleSeconds = 15.0;

    // False when the input cannot be read, lacks a column, or the output cannot be written.
    bool Convert(const char* csvPath, const char* dataPath, ConvertSink& sink,
                 double staleSeconds = kDefaultStaleSeconds);
    const ConvertCounts& Counts() const { return counts; }

private:
    ConvertCounts counts;
};
