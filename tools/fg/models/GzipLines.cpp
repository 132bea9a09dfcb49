#include "tools/fg/models/GzipLines.h"

#include <algorithm>
#include <cstring>

namespace {
// A quarter of a megabyte per read: fewer calls into zlib than lines by far.
constexpr std::size_t kPiece = 256 * 1024;
} // namespace

GzipLines::GzipLines(const std::string& path, std::size_t maxLine)
    : file(gzopen(path.c_str(), "rb")), buffer(std::max(maxLine, kPiece) + kPiece) {
    if (file != nullptr) {
        gzbuffer(file, kPiece);
    }
}

GzipLines::~GzipLines() {
    if (file != nullptr) {
        gzclose(file);
    }
}

// Moves what is left to the front and reads behind it; false when nothing more came.
bool GzipLines::Refill() {
    if (atEnd) {
        return false;
    }
    std::memmove(buffer.data(), buffer.data() + begin, end - begin);
    end -= begin;
    begin = 0;
    const auto room = static_cast<unsigned>(std::min(buffer.size() - end, kPiece));
    const int read = gzread(file, buffer.data() + end, room);
    int status = Z_OK;
    gzerror(file, &status);
    // A stream cut short ends with a buffer error rather than a failed read.
    if (read < 0 || (read == 0 && status != Z_OK && status != Z_STREAM_END)) {
        failed = true;
    }
    if (read <= 0) {
        atEnd = true;
        return false;
    }
    end += static_cast<std::size_t>(read);
    return true;
}

bool GzipLines::Next(std::string_view& line, bool& tooLong) {
    tooLong = false;
    if (file == nullptr) {
        return false;
    }
    const std::size_t maxLine = buffer.size() - kPiece;
    for (;;) {
        const char* start = buffer.data() + begin;
        const auto* feed = static_cast<const char*>(std::memchr(start, '\n', end - begin));
        if (feed != nullptr || (atEnd && end > begin)) {
            const std::size_t size = feed != nullptr ? feed - start : end - begin;
            begin += feed != nullptr ? size + 1 : size;
            line = std::string_view(start, size);
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            if (tooLong) {
                line = {};
            }
            return true;
        }
        if (end - begin >= maxLine) {
            tooLong = true; // keep only what tells where the line ends
            begin = end;
        }
        if (!Refill() && end == begin) {
            // A line too long that the file ends in is still a line.
            line = {};
            return tooLong && !failed;
        }
    }
}

bool GzipLines::NextBlock(std::string_view& block) {
    if (file == nullptr) {
        return false;
    }
    const std::size_t maxLine = buffer.size() - kPiece;
    for (;;) {
        const char* start = buffer.data() + begin;
        const std::size_t size = end - begin;
        // Up to the last line feed: the bytes after it begin a line still being read.
        std::size_t whole = size;
        while (whole > 0 && start[whole - 1] != '\n') {
            --whole;
        }
        if (whole > 0 || (atEnd && size > 0)) {
            const std::size_t taken = whole > 0 ? whole : size;
            begin += taken;
            block = std::string_view(start, taken);
            return true;
        }
        if (size >= maxLine) {
            begin = end; // a line too long: what is read of it is dropped
        }
        if (!Refill() && end == begin) {
            return false;
        }
    }
}
