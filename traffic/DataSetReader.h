// The data set reader: walks the historic traffic data file one step per request and hands the
// aircraft lines of each entry to a TrafficAnalyser. The main dialog owns one; the traffic-log
// tool runs one on its own. Progress and failures reach the owner's texts through
// DataSetReaderOwner.
//
// Each ReadDataSet reads one line: the header line (first line of a run, shown in the window
// title), the begin tag, the end tag (rewinds the file) or, when the line holds the tag of the
// entry expected next, that whole entry. The result is true when the owner is to publish.
//
// A step whose read or rewind fails leaves the file's report in the owner's message text and
// marks the reader failed; the owner may then open the file again by its path
// (ReopenTrafficDataFile), so that a file refilled or replaced meanwhile is picked up.
#pragma once

#include "config_control/SettingsFile.h"
#include "traffic/TrafficAnalyser.h"

#include <cstdint>
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
    // holds its lines in memory of its own saves the copy.
    virtual char* NextLine(char* buffer, int size) {
        return ReadLine(buffer, size) ? buffer : nullptr;
    }

protected:
    ~LineSource() = default;
};

// What the reader needs of its owner (the main dialog, or a tool or test stand-in).
class DataSetReaderOwner {
public:
    // The window's title text, "Halvery v1" once the dialog is initialised.
    virtual const char* GetWindowTitle() const = 0;
    // Makes the text the window's title (the stored title text stays as it is).
    virtual void SetWindowTitleText(const char* text) = 0;
    virtual void SetMessageText(const char* text) = 0;
    virtual void SetStatusText(const char* text) = 0;
    // Modal message box with an OK button only and no icon.
    virtual void ShowMessageBox(const char* caption, const char* text) = 0;
    virtual void SleepMilliseconds(std::int32_t milliseconds) = 0;

protected:
    ~DataSetReaderOwner() = default;
};

class DataSetReader {
public:
    DataSetReader(DataSetReaderOwner& owner, TrafficAnalyser& analyser);
    ~DataSetReader(); // closes the file

    DataSetReader(const DataSetReader&) = delete;
    DataSetReader& operator=(const DataSetReader&) = delete;

    // Starts a run on the file: the next line read is taken as the header. On failure shows
    // the "No Data File" message box, sets the message text and holds no file.
    bool OpenTrafficDataFile(const char* path);
    // Opens the file of the last OpenTrafficDataFile again, from its header line, without a
    // message box: false, with the reason in the message text, when it cannot be opened (the
    // reader then stays failed, so that a later call may try again).
    bool ReopenTrafficDataFile();
    // Zeroes the line buffer, then ReadDataSet.
    bool RequestHistoricData();
    bool ReadDataSet();
    // The ordinary step's reading of entry `number` from `lines`, the lines after its tag (a
    // live reader hands over an entry it found by itself): the analyser gets its aircraft in
    // view, the counters and the message text are set as after that step.
    void ReadEntryAt(std::int32_t number, LineSource& lines);
    // The header line (its line feed and what follows cut) into the window title.
    void ShowHeaderLine(char* line);
    void ReadEntry();
    void ReadEntryLines(LineSource& lines);
    void ProcessTrafficLine(char* line);
    void ResetDataSet();
    void CloseTrafficDataFile();

    bool IsFileOpen() const { return dataFile != nullptr; }
    // The last step could not read or rewind the file; cleared by a successful (re)opening.
    bool HasReadFailed() const { return readFailed; }
    // The open data file (its error report tells why a read failed), or null.
    SettingsFileClass* GetDataFile() const { return dataFile.get(); }
    // The last line a step read itself; an entry's lines are read where the file holds them.
    const char* GetLineBuffer() const { return lineBuffer; }
    bool IsHeaderShown() const { return headerShown; }
    std::int32_t GetEntryNumber() const { return entryNumber; }
    std::int32_t GetCallNumber() const { return callNumber; }
    std::int32_t GetAircraftChecked() const { return aircraftChecked; }

private:
    bool OpenFile();
    void ShowHeader();
    void ReportMissingFile();
    void ReportReadFailure();

    DataSetReaderOwner& owner;
    TrafficAnalyser& analyser;

    std::unique_ptr<SettingsFileClass> dataFile;
    char dataFilePath[SettingsFileClass::kNameSize] = {};
    char lineBuffer[kLineBufferSize] = {};
    bool headerShown = false;
    bool readFailed = false;
    std::int32_t entryNumber = 0;
    std::int32_t callNumber = 0;
    std::int32_t aircraftChecked = 0;
};
