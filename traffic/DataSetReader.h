// The data set reader: walks the historic traffic data file one step per request and hands the
// aircraft lines of each entry to a TrafficAnalyser. The main dialog owns one; the traffic-log
// tool runs one on its own. Each step returns what it met; what is shown of it is the owner's
// business, and a failure's text is in the reader's report.
//
// Each ReadDataSet reads one line: the header line (first line of a run), the begin tag, the end
// tag (rewinds the file) or, when the line holds the tag of the entry expected next, that whole
// entry. Any other line is passed over.
//
// A step whose read or rewind fails marks the reader failed; the owner may then open the file
// again by its path (ReopenTrafficDataFile), so that a file refilled or replaced meanwhile is
// picked up.
#pragma once

#include "config_control/SettingsFile.h"
#include "error_report/QX_ErrorReport.h"
#include "traffic/TrafficAnalyser.h"

#include <cstdint>
#include <cstring>
#include <memory>

inline constexpr char kDataSetReaderHeaderRevision[] =
    "%Z% DataSetReader QX2121:02 DataSetReader.h $Revision: 1.1 $";

inline constexpr std::int32_t kLineBufferSize = 256;
// Lines read for one entry at most, its end tag included.
inline constexpr std::int32_t kMaxEntryLines = 7000;
inline constexpr char kDataDownloadAddress[] = "https://opensky-network.org/data/datasets";

inline constexpr char kBeginTag[] = "####_BEGIN_####";
inline constexpr char kEndTag[] = "####_END_####";
inline constexpr char kEntryEndTag[] = "####_ENTRY_END_####";
inline constexpr char kEntryTagFormat[] = "####_ENTRY_%d_#";

// Lines one at a time, each cut as the data file's lines are cut (SettingsFileClass's
// ReadFromSettingsFile): up to and including the line feed, at most size-1 characters, a carriage
// return before the line feed dropped. False when no line is left.
class LineSource {
public:
    virtual bool ReadLine(char* buffer, int size) = 0;
    // The next line cut the same way, NUL-terminated, in `buffer` or where the source holds it
    // (the caller's to change until the next call); null when no line is left. A source that
    // holds its lines in memory of its own saves the copy. Either way `size` bytes from the
    // line's start may be read, however short the line.
    virtual char* NextLine(char* buffer, int size) {
        return ReadLine(buffer, size) ? buffer : nullptr;
    }
    // Whether `line`, the one NextLine gave last, may hold `mark`: false only where it certainly
    // does not. A source that holds many lines at once can answer without a search per line.
    virtual bool LineMayHold(const char* line, char mark) {
        return std::strchr(line, mark) != nullptr;
    }

protected:
    ~LineSource() = default;
};

// What a step of the reader met.
enum class DataSetEvent {
    NoFile,     // no file is open: nothing was read
    Header,     // the first line of the run
    BeginTag,   // the begin tag
    Entry,      // the expected entry's tag: the entry was read whole into the analyser
    PassedOver, // any other line: a stray line, another entry's tag, the header line come round
    EndTag,     // the end tag: the file was rewound, unless `failure` says why not
    ReadFailed, // no line could be read: `failure` says why
};

// Texts point into the reader and hold until its next call.
struct DataSetStep {
    DataSetEvent met = DataSetEvent::NoFile;
    const char* headerLine = nullptr; // Header: the line, its line feed cut
    const char* failure = nullptr;    // a read or rewind that failed: which file and how
    std::int32_t entryNumber = 0;     // Entry: the number of the entry read
    std::int32_t aircraftChecked = 0; // Entry: its aircraft lines handled

    // The owner publishes after an entry, a line passed over and the end tag; after the rest
    // there is nothing to publish.
    bool Publishes() const {
        return met == DataSetEvent::Entry || met == DataSetEvent::PassedOver ||
               met == DataSetEvent::EndTag;
    }
};

class DataSetReader : public QX_ErrorReport {
public:
    explicit DataSetReader(TrafficAnalyser& analyser);
    ~DataSetReader(); // closes the file

    DataSetReader(const DataSetReader&) = delete;
    DataSetReader& operator=(const DataSetReader&) = delete;

    // Starts a run on the file: the next line read is taken as the header. On failure the
    // report says why and what cures it (where to get a recording, how to make a data file of
    // it at the path), and no file is held.
    bool OpenTrafficDataFile(const char* path);
    // Opens the file of the last OpenTrafficDataFile again, from its header line: false, with
    // the reason alone in the report, when it cannot be opened (the reader then stays failed,
    // so that a later call may try again).
    bool ReopenTrafficDataFile();
    // Zeroes the line buffer, then ReadDataSet.
    DataSetStep RequestHistoricData();
    DataSetStep ReadDataSet();
    // The ordinary step's reading of entry `number` from `lines`, the lines after its tag (a
    // live reader hands over an entry it found by itself): the analyser gets its aircraft in
    // view, and the counters are set as after that step.
    DataSetStep ReadEntryAt(std::int32_t number, LineSource& lines);
    void ReadEntry();
    void ReadEntryLines(LineSource& lines);
    void ProcessTrafficLine(char* line);
    // Back to the top of the file, entry 0 expected next: false, with the reason in the report
    // and the reader failed, when the file cannot be rewound. Without a file it does nothing.
    bool ResetDataSet();
    void CloseTrafficDataFile();

    bool IsFileOpen() const { return dataFile != nullptr; }
    // The last step could not read or rewind the file; cleared by a successful (re)opening.
    bool HasReadFailed() const { return readFailed; }
    // The open data file (its error report tells why a read failed), or null.
    SettingsFileClass* GetDataFile() const { return dataFile.get(); }
    // The last line a step read itself; an entry's lines are read where the file holds them.
    const char* GetLineBuffer() const { return lineBuffer; }
    std::int32_t GetEntryNumber() const { return entryNumber; }
    std::int32_t GetCallNumber() const { return callNumber; }
    std::int32_t GetAircraftChecked() const { return aircraftChecked; }

private:
    bool OpenFile();
    void ReportMissingFile();
    void ReportFileFailure();
    DataSetStep Failed(DataSetEvent met);

    TrafficAnalyser& analyser;

    std::unique_ptr<SettingsFileClass> dataFile;
    char dataFilePath[SettingsFileClass::kNameSize] = {};
    char lineBuffer[kLineBufferSize] = {};
    bool headerRead = false;
    bool readFailed = false;
    std::int32_t entryNumber = 0;
    std::int32_t callNumber = 0;
    std::int32_t aircraftChecked = 0;
};
