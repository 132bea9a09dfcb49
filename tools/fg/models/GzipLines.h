#pragma once
// The lines of a text file, plain or gzip-compressed (told by its first bytes; members back to
// back as `gzip -dc` reads them), taken a large piece at a time: FlightGear's airport data is
// 100 MB of lines, most of them skipped. What it holds is a piece of the file and the longest
// line it gives, however long the file or its lines: a gzip bomb takes time, not memory, and
// the read asks its watch between pieces. A UTF-8 byte order mark before the first line is
// passed over.

#include "tools/fg/models/StartInput.h"

#include <string>
#include <string_view>
#include <vector>
#include <zlib.h>

class GzipLines {
public:
    // `maxLine`: a longer line is given as too long as soon as it is known to be, and the rest
    // of it is passed over.
    GzipLines(const std::string& path, std::size_t maxLine,
              FileKinds kinds = FileKinds::RegularOnly, ReadWatch& watch = NoReadWatch());
    ~GzipLines();
    GzipLines(const GzipLines&) = delete;
    GzipLines& operator=(const GzipLines&) = delete;

    bool IsOpen() const { return input.IsOpen(); }
    // The next line without its line end, valid until the next call; false at the end of the
    // file or when it cannot be read (Failed then says so). `tooLong` when the line did not
    // fit: it is empty then.
    bool Next(std::string_view& line, bool& tooLong);
    // The next run of whole lines (each ending in a line feed but perhaps the file's last),
    // valid until the next call: for a reader that passes over most lines and would rather
    // look for their ends itself. False at the end of the file; a line longer than `maxLine`
    // is never given.
    bool NextBlock(std::string_view& block);
    bool Failed() const { return failed; }
    // The read ended because the watch asked it to (Failed too).
    bool Stopped() const { return input.Stopped(); }
    // Why the file could not be opened or read, in words.
    const std::string& Why() const { return failed ? why : input.Why(); }

private:
    enum class Form { Unknown, Plain, Gzip };

    bool Refill();
    // Up to `room` bytes of text: the count, 0 at the end, -1 on a failure.
    std::int64_t Produce(char* out, std::size_t room);
    std::int64_t Inflate(char* out, std::size_t room);
    bool TakeCompressed();
    bool LearnForm();
    std::int64_t Fail(const std::string& reason);
    // The first line or block loses its byte order mark.
    void Given(std::string_view& text);

    InputBytes input;
    std::size_t maxLine;
    Form form = Form::Unknown;
    z_stream stream = {};
    bool inflating = false; // the stream is set up
    bool inMember = false;
    std::vector<unsigned char> compressed;
    std::vector<char> buffer;
    std::size_t begin = 0; // the unread bytes are [begin, end)
    std::size_t end = 0;
    bool atEnd = false;
    bool failed = false;
    bool skipping = false; // passing over the rest of a line too long
    bool first = true;
    std::string why;
};
