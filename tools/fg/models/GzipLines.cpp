#include "tools/fg/models/GzipLines.h"

#include <algorithm>
#include <cstring>

namespace {
// A quarter of a megabyte per read: fewer calls into zlib than lines by far.
constexpr std::size_t kPiece = 256 * 1024;
// 16 added to the window size: a gzip header and trailer, not a raw zlib stream.
constexpr int kGzipWindowBits = 16 + MAX_WBITS;
constexpr unsigned char kGzipMagic[] = {0x1f, 0x8b};
} // namespace

GzipLines::GzipLines(const std::string& path, std::size_t maxLine, FileKinds kinds,
                     ReadWatch& watch)
    : input(path, kinds, watch), maxLine(std::max<std::size_t>(maxLine, 1)), compressed(kPiece),
      buffer(std::max(maxLine, kPiece) + kPiece) {}

GzipLines::~GzipLines() {
    if (inflating) {
        inflateEnd(&stream);
    }
}

std::int64_t GzipLines::Fail(const std::string& reason) {
    failed = true;
    why = reason;
    return -1;
}

// Compressed bytes into the stream's input; false at their end or on a failure.
bool GzipLines::TakeCompressed() {
    const std::int64_t got =
        input.Read(reinterpret_cast<char*>(compressed.data()), compressed.size());
    if (got < 0) {
        Fail(input.Why());
        return false;
    }
    stream.next_in = compressed.data();
    stream.avail_in = static_cast<uInt>(got);
    return got > 0;
}

// The first two bytes tell gzip from plain text; false on a failure.
bool GzipLines::LearnForm() {
    while (stream.avail_in < sizeof kGzipMagic) {
        const std::size_t had = stream.avail_in;
        if (had > 0) { // nothing read yet: next_in is still null
            std::memmove(compressed.data(), stream.next_in, had);
        }
        const std::int64_t got =
            input.Read(reinterpret_cast<char*>(compressed.data()) + had, compressed.size() - had);
        if (got < 0) {
            Fail(input.Why());
            return false;
        }
        stream.next_in = compressed.data();
        stream.avail_in = static_cast<uInt>(had + got);
        if (got == 0) {
            break;
        }
    }
    const bool gzip = stream.avail_in >= sizeof kGzipMagic &&
                      std::memcmp(stream.next_in, kGzipMagic, sizeof kGzipMagic) == 0;
    form = gzip ? Form::Gzip : Form::Plain;
    if (gzip) {
        // inflateInit2 takes the input as it stands and must not lose it.
        unsigned char* const next = stream.next_in;
        const uInt available = stream.avail_in;
        if (inflateInit2(&stream, kGzipWindowBits) != Z_OK) {
            Fail("zlib could not be set up");
            return false;
        }
        stream.next_in = next;
        stream.avail_in = available;
        inflating = true;
        inMember = true;
    }
    return true;
}

std::int64_t GzipLines::Inflate(char* out, std::size_t room) {
    stream.next_out = reinterpret_cast<unsigned char*>(out);
    stream.avail_out = static_cast<uInt>(room);
    while (stream.avail_out == room) {
        if (stream.avail_in == 0 && !TakeCompressed()) {
            if (failed) {
                return -1;
            }
            // The compressed bytes ended: fine between members, a cut-short file within one.
            return inMember ? Fail("the gzip data ends early: the file is cut short") : 0;
        }
        if (!inMember) {
            // Further members follow the first; anything else after a whole member (padding)
            // is not text.
            if (stream.next_in[0] != kGzipMagic[0]) {
                return 0;
            }
            inflateReset(&stream);
            inMember = true;
        }
        const int status = inflate(&stream, Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
            inMember = false;
        } else if (status == Z_DATA_ERROR || status == Z_NEED_DICT) {
            return Fail(std::string("the gzip data is damaged: ") +
                        (stream.msg != nullptr ? stream.msg : "no reason given"));
        } else if (status == Z_MEM_ERROR) {
            return Fail("out of memory");
        }
    }
    return static_cast<std::int64_t>(room - stream.avail_out);
}

std::int64_t GzipLines::Produce(char* out, std::size_t room) {
    if (form == Form::Unknown && !LearnForm()) {
        return -1;
    }
    if (form == Form::Gzip) {
        return Inflate(out, room);
    }
    if (stream.avail_in > 0) { // what was read to learn the form
        const std::size_t taken = std::min<std::size_t>(room, stream.avail_in);
        std::memcpy(out, stream.next_in, taken);
        stream.next_in += taken;
        stream.avail_in -= static_cast<uInt>(taken);
        return static_cast<std::int64_t>(taken);
    }
    const std::int64_t got = input.Read(out, room);
    return got < 0 ? Fail(input.Why()) : got;
}

// Moves what is left to the front and reads behind it; false when nothing more came.
bool GzipLines::Refill() {
    if (atEnd) {
        return false;
    }
    if (input.StopAsked()) {
        Fail(input.Why());
        atEnd = true;
        return false;
    }
    std::memmove(buffer.data(), buffer.data() + begin, end - begin);
    end -= begin;
    begin = 0;
    const std::int64_t got = Produce(buffer.data() + end, std::min(buffer.size() - end, kPiece));
    if (got <= 0) {
        atEnd = true;
        return false;
    }
    end += static_cast<std::size_t>(got);
    return true;
}

void GzipLines::Given(std::string_view& text) {
    if (first) {
        first = false;
        SkipByteOrderMark(text);
    }
}

bool GzipLines::Next(std::string_view& line, bool& tooLong) {
    tooLong = false;
    while (IsOpen()) {
        const char* start = buffer.data() + begin;
        const auto* feed = static_cast<const char*>(std::memchr(start, '\n', end - begin));
        if (skipping) {
            begin = feed != nullptr ? begin + (feed - start) + 1 : end;
            skipping = feed == nullptr;
            if (!skipping) {
                continue;
            }
        } else if (feed != nullptr || (atEnd && end > begin)) {
            const std::size_t size = feed != nullptr ? feed - start : end - begin;
            begin += feed != nullptr ? size + 1 : size;
            line = std::string_view(start, size);
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            Given(line);
            return true;
        } else if (end - begin >= maxLine) {
            // Given at once, so that a caller that wants no such line reads no more of it.
            begin = end;
            skipping = true;
            tooLong = true;
            first = false;
            line = {};
            return true;
        }
        if (!Refill() && end == begin) {
            return false;
        }
    }
    return false;
}

bool GzipLines::NextBlock(std::string_view& block) {
    while (IsOpen()) {
        const char* start = buffer.data() + begin;
        const std::size_t size = end - begin;
        if (skipping) {
            const auto* feed = static_cast<const char*>(std::memchr(start, '\n', size));
            begin = feed != nullptr ? begin + (feed - start) + 1 : end;
            skipping = feed == nullptr;
            if (!skipping) {
                continue;
            }
        } else {
            // Up to the last line feed: the bytes after it begin a line still being read.
            std::size_t whole = size;
            while (whole > 0 && start[whole - 1] != '\n') {
                --whole;
            }
            if (whole > 0 || (atEnd && size > 0)) {
                const std::size_t taken = whole > 0 ? whole : size;
                begin += taken;
                block = std::string_view(start, taken);
                Given(block);
                return true;
            }
            if (size >= maxLine) {
                begin = end; // a line too long: the rest of it is passed over too
                skipping = true;
                first = false;
            }
        }
        if (!Refill() && end == begin) {
            return false;
        }
    }
    return false;
}
