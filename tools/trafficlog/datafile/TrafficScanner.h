// Plays a traffic data file through the feeder's own data set reader and traffic analyser, with
// the own-ship held at one position, and hands each entry's result to a sink: what the visual
// system would be given at that position. One pass over the file, from the header line to the
// end tag (or the end of the file); memory does not grow with the file.
#pragma once

#include "error_report/QX_ErrorReport.h"
#include "shared_memory/AircraftRecord.h"

#include <cstdint>

struct ScannedEntry {
    std::int32_t entryNumber;     // as counted by the reader, from 0
    std::int32_t aircraftChecked; // aircraft lines the reader handled
    std::int32_t inView;          // records the publication would take
    const AircraftRecord* records;
};

class ScanSink {
public:
    virtual void Entry(const ScannedEntry& entry) = 0;

protected:
    ~ScanSink() = default;
};

class TrafficScanner : public QX_ErrorReport {
public:
    // False when the file cannot be opened.
    bool Scan(const char* path, double latitude, double longitude, ScanSink& sink);

    std::int32_t EntriesScanned() const { return entries; }
    // The file ended without an end tag.
    bool EndedWithoutEndTag() const { return endedWithoutEndTag; }
    // The requests that found nothing to publish, other than the header line and begin tag.
    std::int64_t EmptyRequests() const { return emptyRequests; }

private:
    std::int32_t entries = 0;
    std::int64_t emptyRequests = 0;
    bool endedWithoutEndTag = false;
};
