#include "traffic/BufferLines.h"

#include <algorithm>
#include <cstring>

extern const char kBufferLinesSourceRevision[] =
    "%Z% LiveEntryReader QX2125:02 BufferLines.cpp $Revision: 1.1 $";

// A line that fills the buffer may end in the carriage return of a CR LF: its line feed then
// belongs to it, as it does when the file's reader cuts the line.
bool BufferLines::ReadLine(char* buffer, int bufferSize) {
    if (buffer == nullptr || bufferSize < 2 || position >= size) {
        return false;
    }
    const std::size_t room = static_cast<std::size_t>(bufferSize - 1);
    const char* start = bytes + position;
    const std::size_t available = std::min(size - position, room);
    const void* lineFeed = std::memchr(start, '\n', available);
    const std::size_t taken =
        lineFeed != nullptr
            ? static_cast<std::size_t>(static_cast<const char*>(lineFeed) - start) + 1
            : available;
    std::memcpy(buffer, start, taken);
    buffer[taken] = '\0';
    position += taken;
    if (lineFeed != nullptr) {
        if (taken >= 2 && buffer[taken - 2] == '\r') {
            buffer[taken - 2] = '\n';
            buffer[taken - 1] = '\0';
        }
    } else if (taken == room && buffer[taken - 1] == '\r' && position < size &&
               bytes[position] == '\n') {
        buffer[taken - 1] = '\n';
        ++position;
    }
    return true;
}
