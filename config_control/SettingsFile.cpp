#include "config_control/SettingsFile.h"

#include "config_control/ConfigControl.h"
#include "platform/RegularFile.h"
#include "text_functions/TextFunctions.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <new>

namespace {

const char kSettingsFileSourceRevision[] =
    "%Z% SettingsFileClass QX2110:01 SettingsFile.cpp $Revision: 1.4 $ ";

constexpr char kWriteLocation[] = "SettingsFileClass::WriteToSettingsFile";
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
    DropPiece();
    if (!openedForWriting) {
        if (chunk == nullptr) {
            // Not zeroed: each piece read clears what lies behind it (FillChunk).
            chunk.reset(new (std::nothrow) char[kPieceSize + 1 + kLineSize]);
        }
        // A data file is read a line at a time through hundreds of megabytes: a buffer larger
        // than the system's few kilobytes saves most of the system calls. The stream itself
        // buffers nothing when the object has its own buffer, so that the file's bytes are
        // copied once. Where neither can be had, the default buffer serves.
        std::setvbuf(opened, nullptr, chunk != nullptr ? _IONBF : _IOFBF, kPieceSize);
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
    DropPiece();
    if (file != nullptr) {
        std::fclose(file);
        file = nullptr;
    }
    isOpen = false;
    return true;
}

bool SettingsFileClass::Rewind() {
    if (!isOpen) {
        Report("SettingsFileClass::Rewind", kNotOpenedText);
        return false;
    }
    lastAccess = LastAccess::None;
    errno = 0;
    if (std::fseek(file, 0, SEEK_SET) != 0) {
        Report("SettingsFileClass::Rewind", std::strerror(errno != 0 ? errno : EIO));
        return false;
    }
    DropPiece();
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

// The C library requires a flush or a seek between output and input on one stream.
void SettingsFileClass::PrepareFor(LastAccess access) {
    if (lastAccess != LastAccess::None && lastAccess != access) {
        std::fseek(file, 0, SEEK_CUR);
    }
    lastAccess = access;
}

bool SettingsFileClass::WriteToSettingsFile(const char* text) {
    if (!isOpen) {
        Report(kWriteLocation, kNotOpenedText);
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
