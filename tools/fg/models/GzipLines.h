#pragma once
// The lines of a text file, plain or gzip-compressed (zlib reads a plain file as it is), taken
// a large piece at a time: FlightGear's airport data is 100 MB of lines, most of them skipped.

#include <string>
#include <string_view>
#include <vector>
#include <zlib.h>

class GzipLines {
public:
    // `maxLine`: a longer line is read to its end and given as too long.
    GzipLines(const std::string& path, std::size_t maxLine);
    ~GzipLines();
    GzipLines(const GzipLines&) = delete;
    GzipLines& operator=(const GzipLines&) = delete;

    bool IsOpen() const { return file != nullptr; }
    // The next line without its line end, valid until the next call; false at the end of the
    // file or when it cannot be read (Failed then says so). `tooLong` when the line did not fit.
    bool Next(std::string_view& line, bool& tooLong);
    // The next run of whole lines (each ending in a line feed but perhaps the file's last),
    // valid until the next call: for a reader that passes over most lines and would rather
    // look for their ends itself. False at the end of the file; a line longer than `maxLine`
    // is never given.
    bool NextBlock(std::string_view& block);
    bool Failed() const { return failed; }

private:
    bool Refill();

    gzFile file = nullptr;
    std::vector<char> buffer;
    std::size_t begin = 0; // the unread bytes are [begin, end)
    std::size_t end = 0;
    bool atEnd = false;
    bool failed = false;
};
