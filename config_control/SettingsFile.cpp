#include "config_control/SettingsFile.h"

#include "config_control/ConfigControl.h"
#include "platform/RegularFile.h"
#include "text_functions/TextFunctions.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <new>

namespace {

const char kSettingsFileSourceRevision[] =
    "%Z% SettingsFileClass QX2110:01 SettingsFile.cpp $Revision: 1.4 $ ";

constexpr char kReadLocation[] = "SettingsFileClass::ReadFromSettingsFile";
constexpr char kWriteLocation[] = "SettingsFileClass::WriteToSettingsFile";
constexpr char kNotOpened[] = "File is not opened";
// Inside the class its own kReadBufferSize would be found first: hence a name of its own.
constexpr int kStreamBufferSize = 1 << 16;
constexpr char kNotARegularFileText[] = "not a regular file";

constexpr const char* kOpenLocations[] = {
    "SettingsFileClass::OpenFileForReading",
    "SettingsFileClass::OpenFileForWriting",
    "SettingsFileClass::OpenFileForReadWrite",
    "SettingsFileClass::OpenFileForAppending",
};

ModuleRevisions revisions{"SettingsFileClass", kSettingsFileHeaderRevision,
                          kSettingsFileSourceRevision};

} // namespace

SettingsFileClass::SettingsFileClass() = default;

SettingsFileClass::SettingsFileClass(const char* name, std::int32_t mode) {
    Open(name, mode);
}

SettingsFileClass::SettingsFileClass(const std::string& name, std::int32_t mode) {
    Open(name.c_str(), mode);
}

SettingsFileClass::~SettingsFileClass() {
    Close();
}

void SettingsFileClass::Open(const char* name, std::int32_t mode) {
    revisions.Register();
    Close();
    fileName[0] = '\0';
    if (name == nullptr || name[0] == '\0') {
        return;
    }
    CopyBounded(fileName, name, sizeof fileName);
    if (std::strlen(name) >= sizeof fileName) {
        RefuseLongName(mode);
        return;
    }
    switch (mode) {
    case ModeReading:
        isOpen = OpenFileForReading();
        break;
    case ModeWriting:
        isOpen = OpenFileForWriting();
        break;
    case ModeReadWrite:
        isOpen = OpenFileForReadWrite();
        break;
    case ModeAppending:
        isOpen = OpenFileForAppending();
        break;
    default:
        break;
    }
}

// A name cut to the buffer would open some other file: the open fails as the system fails a
// name it cannot take, and no name is kept.
void SettingsFileClass::RefuseLongName(std::int32_t mode) {
    if (mode >= ModeReading && mode <= ModeAppending) {
        Report(kOpenLocations[mode], std::strerror(ENAMETOOLONG));
    }
    fileName[0] = '\0';
}

// Read in binary mode and drop the carriage return of a CR LF here, so that the data file
// reads byte for byte the same on Windows and elsewhere (a text-mode read on Windows would
// already have dropped it and could not tell a CR CR LF apart). Only a regular file is read: a
// FIFO or a device could make the reader wait for ever and cannot be rewound.
bool SettingsFileClass::OpenFileForReading() {
    const char* location = kOpenLocations[ModeReading];
    Close();
    int error = 0;
    std::FILE* opened = OpenRegularFileForReading(fileName, error);
    foundNoFile = opened == nullptr && error == ENOENT;
    if (opened == nullptr) {
        Report(location, error == kNotARegularFile ? kNotARegularFileText : std::strerror(error));
        return false;
    }
    Adopt(opened, false);
    return ProbeFirstRead(location);
}

bool SettingsFileClass::OpenFileForWriting() {
    return OpenInMode("w", kOpenLocations[ModeWriting]);
}

bool SettingsFileClass::OpenFileForReadWrite() {
    return OpenInMode("r+", kOpenLocations[ModeReadWrite]);
}

bool SettingsFileClass::OpenFileForAppending() {
    return OpenInMode("a", kOpenLocations[ModeAppending]);
}

// A stream already held is closed first, so that no call order leaks one.
bool SettingsFileClass::OpenInMode(const char* openMode, const char* location) {
    Close();
    errno = 0;
    std::FILE* opened = std::fopen(fileName, openMode);
    if (opened == nullptr) {
        Report(location, std::strerror(errno));
        return false;
    }
    Adopt(opened, openMode[0] != 'r' || std::strchr(openMode, '+') != nullptr);
    return true;
}

void SettingsFileClass::Adopt(std::FILE* opened, bool openedForWriting) {
    chunkBegin = 0;
    chunkEnd = 0;
    if (!openedForWriting) {
        if (chunk == nullptr) {
            chunk.reset(new (std::nothrow) char[kStreamBufferSize]);
        }
        // A data file is read a line at a time through hundreds of megabytes: a buffer larger
        // than the system's few kilobytes saves most of the system calls. The stream itself
        // buffers nothing when the object has its own buffer, so that the file's bytes are
        // copied once. Where neither can be had, the default buffer serves.
        std::setvbuf(opened, nullptr, chunk != nullptr ? _IONBF : _IOFBF, kStreamBufferSize);
    }
    file = opened;
    isOpen = true;
    lastAccess = LastAccess::None;
    writable = openedForWriting;
}

// POSIX systems open a directory (and some special files) for reading; only the first read
// fails. One character read and put back makes such a file fail here, with the system's
// reason, instead of failing every read later with none. An empty file stays open and readable
// once it grows.
bool SettingsFileClass::ProbeFirstRead(const char* location) {
    errno = 0;
    const int first = std::getc(file);
    if (first == EOF && std::ferror(file) != 0) {
        const int error = errno;
        Close();
        Report(location, std::strerror(error != 0 ? error : EIO));
        return false;
    }
    if (first == EOF) {
        // Windows's C library keeps the end of file in the descriptor as well, where only a
        // seek clears it.
        std::rewind(file);
    } else {
        std::ungetc(first, file);
    }
    return true;
}

bool SettingsFileClass::Close() {
    chunkBegin = 0;
    chunkEnd = 0;
    if (file != nullptr) {
        std::fclose(file);
        file = nullptr;
    }
    isOpen = false;
    return true;
}

bool SettingsFileClass::Rewind() {
    if (!isOpen) {
        Report("SettingsFileClass::Rewind", kNotOpened);
        return false;
    }
    lastAccess = LastAccess::None;
    errno = 0;
    if (std::fseek(file, 0, SEEK_SET) != 0) {
        Report("SettingsFileClass::Rewind", std::strerror(errno != 0 ? errno : EIO));
        return false;
    }
    chunkBegin = 0;
    chunkEnd = 0;
    return true;
}

void SettingsFileClass::Flush() {
    if (isOpen) {
        std::fflush(file);
    }
}

const char* SettingsFileClass::GetFileName() {
    CopyBounded(fileNameCopy, fileName, sizeof fileNameCopy);
    return fileNameCopy;
}

bool SettingsFileClass::ReadFromSettingsFile(char* buffer, int size) {
    if (!isOpen) {
        Report(kReadLocation, kNotOpened);
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

// A buffer that cannot hold one character is a line that could not be read.
bool SettingsFileClass::ReadLine(char* buffer, int size) {
    if (buffer == nullptr || size < 2) {
        return false;
    }
    PrepareFor(LastAccess::Read);
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
    buffer[length] = '\0';
    const bool filled = length == room;
    // The caller sees the line up to a NUL byte in it, as after fgets; only a line that ends in
    // CR LF needs measuring for that.
    const bool endsInCrLf = length >= 2 && buffer[length - 1] == '\n' && buffer[length - 2] == '\r';
    DropCarriageReturn(
        buffer, filled || !endsInCrLf ? length : static_cast<int>(std::strlen(buffer)), filled);
    return true;
}

// Once the stream has met the end of the file, whether a file that grew since reads on is the C
// library's choice (glibc keeps the end until a seek, others need not): one character through
// getc asks it the way fgets would. A large read would go past the stream's end mark.
bool SettingsFileClass::FillChunk() {
    chunkBegin = 0;
    chunkEnd = 0;
    if (std::feof(file) != 0) {
        const int next = std::getc(file);
        if (next == EOF) {
            return false;
        }
        chunk[0] = static_cast<char>(next);
        chunkEnd = 1;
        return true;
    }
    chunkEnd = static_cast<int>(std::fread(chunk.get(), 1, kStreamBufferSize, file));
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

// The C library requires a flush or a seek between output and input on one stream.
void SettingsFileClass::PrepareFor(LastAccess access) {
    if (lastAccess != LastAccess::None && lastAccess != access) {
        std::fseek(file, 0, SEEK_CUR);
    }
    lastAccess = access;
}

bool SettingsFileClass::WriteToSettingsFile(const char* text) {
    if (!isOpen) {
        Report(kWriteLocation, kNotOpened);
        return false;
    }
    PrepareFor(LastAccess::Write);
    // Windows buffers a write to a stream opened for reading and fails only at the flush.
    if (!writable || (text != nullptr && std::fputs(text, file) == EOF)) {
        Report(kWriteLocation, "EOF Error On writing");
        return false;
    }
    return true;
}

bool SettingsFileClass::WriteToSettingsFile(const std::string& text) {
    CopyBounded(lineBuffer, text.c_str(), sizeof lineBuffer);
    return WriteToSettingsFile(lineBuffer);
}

bool SettingsFileClass::WriteLine(const char* text) {
    return WriteToSettingsFile(text) && WriteToSettingsFile("\n");
}

bool SettingsFileClass::WriteLine(const std::string& text) {
    return WriteToSettingsFile(text) && WriteToSettingsFile("\n");
}

bool SettingsFileClass::WriteFormattedLine(const char* format, ...) {
    if (format == nullptr) {
        return WriteLine("");
    }
    std::va_list values;
    va_start(values, format);
    // Bounded by the buffer: at most kFormatSize characters and the terminator.
    std::vsnprintf(formatBuffer, sizeof formatBuffer, format, values);
    va_end(values);
    return WriteLine(formatBuffer);
}

bool SettingsFileClass::WriteSetting(const char* name, bool value) {
    FormatBounded(formatBuffer, kFormatSize, "%s = %s\n", name != nullptr ? name : "",
                  value ? "TRUE" : "FALSE");
    return WriteToSettingsFile(formatBuffer);
}

bool SettingsFileClass::WriteSetting(const char* name, std::int32_t value) {
    FormatBounded(formatBuffer, kFormatSize, "%s = %d\n", name != nullptr ? name : "", value);
    return WriteToSettingsFile(formatBuffer);
}

bool SettingsFileClass::WriteSetting(const char* name, double value) {
    FormatBounded(formatBuffer, kFormatSize, "%s = %f\n", name != nullptr ? name : "", value);
    return WriteToSettingsFile(formatBuffer);
}

void SettingsFileClass::Report(const char* location, const char* message) {
    ReportDetail(location, message, fileName);
}
