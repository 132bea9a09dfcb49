#include "config_control/SettingsFile.h"

#include <algorithm>
#include <cstring>

// Reading lines: through the stream, or cut from the pieces of a file opened for reading only.

// Part of the SettingsFileClass module, whose registration names its header and first source.
[[maybe_unused]] static const char kSettingsFileReadingRevision[] =
    "%Z% SettingsFileClass QX2110:03 SettingsFileReading.cpp $Revision: 1.1 $";

namespace {
constexpr char kReadLocation[] = "SettingsFileClass::ReadFromSettingsFile";
} // namespace

bool SettingsFileClass::ReadFromSettingsFile(char* buffer, int size) {
    if (!isOpen) {
        Report(kReadLocation, kNotOpenedText);
        return false;
    }
    if (!ReadLine(buffer, size)) {
        Report(kReadLocation, "NULL read from file");
        return false;
    }
    return true;
}

bool SettingsFileClass::ReadFromSettingsFile(std::string& line) {
    if (!ReadFromSettingsFile(lineBuffer, sizeof lineBuffer)) {
        return false;
    }
    line.assign(lineBuffer);
    return true;
}

bool SettingsFileClass::ReadFromSettingsFileBuffered(char* destination, int size) {
    if (!ReadFromSettingsFile(readBuffer, sizeof readBuffer)) {
        CopyBounded(destination, "", size);
        return false;
    }
    CopyBounded(destination, readBuffer, size);
    return true;
}

char* SettingsFileClass::ReadLineInPlace(int size) {
    lineBegin = -1;
    if (!isOpen) {
        Report(kReadLocation, kNotOpenedText);
        return nullptr;
    }
    if (size >= 2 && size <= kLineSize && ReadsThroughChunk()) {
        if (char* line = CutLineInPiece(size)) {
            return line;
        }
    }
    return ReadFromSettingsFile(lineBuffer, std::min(size, kLineSize)) ? lineBuffer : nullptr;
}

// A line that ends in the piece read is terminated where it lies. Its terminator takes the
// first byte of the next line (or the byte kept free behind the piece), which is held aside
// until the next read. Null for a line that goes on past the piece or past the room: copied.
// The search for the line feed starts behind the line's first byte, which is the byte held
// aside by the line before: the terminator written there and the byte put back would stall a
// search that reads them (a wide load waits for narrow stores to the same bytes to complete),
// once for every line.
char* SettingsFileClass::CutLineInPiece(int size) {
    const int available = std::min(chunkEnd - chunkBegin, size - 1);
    if (available <= 0) {
        return nullptr;
    }
    char* start = chunk.get() + chunkBegin;
    const char first = heldAt == chunkBegin ? heldByte : *start;
    auto* lineFeed = first == '\n' ? start
                                   : static_cast<char*>(std::memchr(
                                         start + 1, '\n', static_cast<std::size_t>(available - 1)));
    if (lineFeed == nullptr) {
        return nullptr;
    }
    ReleaseHeldByte();
    const int length = static_cast<int>(lineFeed - start) + 1;
    lineBegin = chunkBegin;
    chunkBegin += length;
    lineEnd = chunkBegin;
    heldAt = chunkBegin;
    heldByte = chunk[chunkBegin];
    EndLine(start, length, length == size - 1);
    return start;
}

bool SettingsFileClass::LineInPlaceMayHold(char mark) {
    if (lineBegin < 0) {
        return std::strchr(lineBuffer, mark) != nullptr;
    }
    if (mark != markSought || markAt < lineBegin) {
        markSought = mark;
        markAt = FindInPiece(mark, lineBegin);
    }
    return markAt < lineEnd;
}

// The first `mark` in the piece from `from` on, or chunkEnd. The bytes a reader may have
// changed lie in lines already cut, before `from`; the terminator of the line cut last stands
// on the held byte, which counts as it was read.
int SettingsFileClass::FindInPiece(char mark, int from) const {
    const void* found =
        std::memchr(chunk.get() + from, mark, static_cast<std::size_t>(chunkEnd - from));
    const int at = found != nullptr
                       ? static_cast<int>(static_cast<const char*>(found) - chunk.get())
                       : chunkEnd;
    return heldAt >= from && heldAt < at && heldByte == mark ? heldAt : at;
}

void SettingsFileClass::ReleaseHeldByte() {
    if (heldAt >= 0) {
        chunk[heldAt] = heldByte;
        heldAt = -1;
    }
}

// Every piece read later starts afresh: nothing held goes back into it.
void SettingsFileClass::DropPiece() {
    chunkBegin = 0;
    chunkEnd = 0;
    heldAt = -1;
    lineBegin = -1;
    markAt = -1;
}

// A buffer that cannot hold one character is a line that could not be read.
bool SettingsFileClass::ReadLine(char* buffer, int size) {
    if (buffer == nullptr || size < 2) {
        return false;
    }
    PrepareFor(LastAccess::Read);
    ReleaseHeldByte();
    return ReadsThroughChunk() ? ReadLineFromChunk(buffer, size)
                               : ReadLineThroughStream(buffer, size);
}

// Gives the caller's buffer the bytes fgets would give it, and no others: the line up to and
// including its line feed, at most size-1 bytes, NUL bytes inside it copied as they are, the
// terminator behind them; nothing at all is written when no byte is left. Because the stream
// delivers its bytes to the object only, the end of the file stays as sticky or not as the C
// library makes it for fgets.
bool SettingsFileClass::ReadLineFromChunk(char* buffer, int size) {
    const int room = size - 1;
    int length = 0;
    bool ended = false;
    while (!ended && length < room && (chunkBegin < chunkEnd || FillChunk())) {
        const char* start = chunk.get() + chunkBegin;
        const auto available =
            static_cast<std::size_t>(std::min(chunkEnd - chunkBegin, room - length));
        const void* lineFeed = std::memchr(start, '\n', available);
        ended = lineFeed != nullptr;
        const int taken = ended ? static_cast<int>(static_cast<const char*>(lineFeed) - start) + 1
                                : static_cast<int>(available);
        std::memcpy(buffer + length, start, static_cast<std::size_t>(taken));
        length += taken;
        chunkBegin += taken;
    }
    if (length == 0) {
        return false;
    }
    EndLine(buffer, length, length == room);
    return true;
}

// The caller sees the line up to a NUL byte in it, as after fgets; only a line that ends in CR LF
// needs measuring for that.
void SettingsFileClass::EndLine(char* line, int length, bool filled) {
    line[length] = '\0';
    const bool endsInCrLf = length >= 2 && line[length - 1] == '\n' && line[length - 2] == '\r';
    DropCarriageReturn(line, filled || !endsInCrLf ? length : static_cast<int>(std::strlen(line)),
                       filled);
}

// Once the stream has met the end of the file, whether a file that grew since reads on is the C
// library's choice (glibc keeps the end until a seek, others need not): one character through
// getc asks it the way fgets would. A large read would go past the stream's end mark.
bool SettingsFileClass::FillChunk() {
    DropPiece();
    if (std::feof(file) != 0) {
        const int next = std::getc(file);
        if (next == EOF) {
            return false;
        }
        chunk[0] = static_cast<char>(next);
        chunkEnd = 1;
    } else {
        chunkEnd = static_cast<int>(std::fread(chunk.get(), 1, kPieceSize, file));
    }
    // Behind the piece, the byte a terminator may take and the bytes a line cut in place may be
    // read for hold nothing of an earlier piece, nor a byte never written.
    std::memset(chunk.get() + chunkEnd, '\0', 1 + kLineSize);
    return chunkEnd > 0;
}

// Reads into the caller's buffer without any copy.
bool SettingsFileClass::ReadLineThroughStream(char* buffer, int size) {
    // fgets puts its terminator in the last byte only when it filled the buffer; the length
    // cannot tell, as a line may hold NUL bytes. The marker byte is put back afterwards, so the
    // caller's buffer holds only what fgets wrote.
    const char lastByte = buffer[size - 1];
    buffer[size - 1] = '\x01';
    if (std::fgets(buffer, size, file) == nullptr) {
        buffer[size - 1] = lastByte;
        return false;
    }
    const bool filled = buffer[size - 1] == '\0';
    if (!filled) {
        buffer[size - 1] = lastByte;
    }
    DropCarriageReturn(buffer, filled ? size - 1 : static_cast<int>(std::strlen(buffer)), filled);
    return true;
}

// A line read ends in LF whether the file was written with CR LF or LF line ends. A line cut by
// a full buffer may end in the carriage return; the line feed behind it then belongs to this
// line as well.
// `filled`: the line took the whole buffer, so it may go on in the file (a CR there may have
// its LF waiting); `length` is then the whole buffer's. Otherwise the line ends at its LF, at the
// end of the file or at a NUL byte inside it, `length` is the text's up to a NUL byte, and only a
// CR LF at its end is shortened.
void SettingsFileClass::DropCarriageReturn(char* line, int length, bool filled) {
    if (length == 0) {
        return;
    }
    if (line[length - 1] == '\n') {
        if (length >= 2 && line[length - 2] == '\r') {
            line[length - 2] = '\n';
            line[length - 1] = '\0';
        }
        return;
    }
    if (filled && line[length - 1] == '\r' && TakeLineFeed()) {
        line[length - 1] = '\n';
    }
}

// Takes the next byte of the file only when it is a line feed.
bool SettingsFileClass::TakeLineFeed() {
    if (ReadsThroughChunk()) {
        if (chunkBegin == chunkEnd && !FillChunk()) {
            return false;
        }
        if (chunk[chunkBegin] != '\n') {
            return false;
        }
        ++chunkBegin;
        return true;
    }
    const int next = std::getc(file);
    if (next == '\n') {
        return true;
    }
    if (next != EOF) {
        std::ungetc(next, file);
    }
    return false;
}
