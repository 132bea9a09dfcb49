// Follows a data file that a recorder is still writing, by its name. Each Look opens the file,
// examines only what was appended since the last look and closes it again (Windows lets no
// new file take the name of a file that is open, so the file is never held between looks).
//
// Only complete lines count: a last line without its line feed is still being written. An entry
// counts once its entry end tag is there. The first look at a file, and the look after another
// file took its name or the file was cut below what was examined or written over, searches back
// from the end for the newest complete entry instead of reading the file from its top: a day of
// recording is large. So does a look after more was appended than a few entries' worth. It searches
// no farther back than a few entries' worth: a huge file, or a huge append, that holds no entry
// near its end is followed from there on, and no look reads more than a few megabytes. Lines are
// examined for tags only; the newest entry's lines are read whole once, by the look that finds it.
#pragma once

#include "error_report/QX_ErrorReport.h"
#include "platform/RegularFile.h"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr char kLiveDataFileHeaderRevision[] =
    "%Z% LiveEntryReader QX2123:01 LiveDataFile.h $Revision: 1.3 $";

// A complete entry: its number and where its lines (after the entry tag line, before the end
// tag line) lie in the file.
struct LiveEntry {
    std::int32_t number = 0;
    std::uint64_t linesBegin = 0;
    std::uint64_t linesEnd = 0;
};

class LiveDataFile : public QX_ErrorReport {
public:
    LiveDataFile();

    // Follows the file at `path` from now on, as if never seen.
    void Follow(const char* path);
    // One look at the file. False, with the reason in the error report, when it cannot be
    // opened or read; what was known before stays known.
    bool Look();

    // Raised whenever a newer complete entry is found (a new file's first one included); 0
    // while none has been.
    std::uint64_t EntrySerial() const { return entrySerial; }
    // Whether the file at the name holds a complete entry, and the newest one.
    bool HasEntry() const { return state.hasEntry; }
    const LiveEntry& NewestEntry() const { return state.newest; }
    // The newest entry's lines as read by the look that found it.
    const std::vector<char>& EntryLines() const { return entryLines; }
    // The data end tag follows the newest entry: the recording is closed.
    bool IsClosed() const { return state.closed; }
    // The header line (the file's first line), complete; raised when a file's header is read.
    std::uint64_t HeaderSerial() const { return headerSerial; }
    const std::string& HeaderBytes() const { return header; }
    // Where the examined part of the file ends (after its last complete line).
    std::uint64_t Examined() const { return examined; }

    // The most of an entry's lines that is read: as many as the reader of an entry takes at
    // most, each of the longest.
    static const std::uint64_t kMaxEntryBytes;

private:
    // What the tags examined so far tell.
    struct ScanState {
        bool hasEntry = false;
        LiveEntry newest;
        bool inEntry = false;
        LiveEntry open; // the entry begun and not yet ended
        bool closed = false;
    };

    void Forget();
    bool Fail(const char* what);
    char* ScanRoom();
    bool ReadHeader(std::uint64_t size);
    bool SearchBackForEntry(std::uint64_t size);
    bool ExamineGrowth(std::uint64_t size);
    bool Scan(std::uint64_t from, std::uint64_t to);
    void Examine(const char* line, std::size_t length, std::uint64_t at);
    void ExaminePiece(const char* piece, std::uint64_t begin, std::uint64_t end);
    bool ReadEntryLines();
    bool ExaminedTailStands();
    bool ReadExaminedTail(std::string& tail);

    std::string path;
    SharedReadFile file;
    FileIdentity identity; // of the file followed; `exists` false before the first look
    std::uint64_t examined = 0;
    std::string examinedTail; // the bytes just before `examined`, as the last look left them
    bool headerRead = false;
    bool inLongLine = false; // within a line longer than the scan buffer, passed over
    ScanState state;
    std::uint64_t entrySerial = 0;
    std::uint64_t entryLinesSerial = 0;
    std::uint64_t headerSerial = 0;
    std::string header;
    std::vector<char> scanBuffer;
    std::vector<char> entryLines;
};

extern const char kLiveDataFileSourceRevision[];
