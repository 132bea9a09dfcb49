#pragma once

#include "error_report/QX_ErrorReport.h"
#include "text_functions/TextFunctions.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

inline constexpr char kSettingsFileHeaderRevision[] =
    "%Z% SettingsFile QX2110:02 SettingsFile.h $Revision: 1.1 $";

// Line-oriented access to a text file. Every failure leaves a three-line text (operation,
// message, file name) in the error-report base. A Windows file with CR LF line ends reads the
// same on every platform: a carriage return right before a line feed is dropped. Reading takes
// regular files only, and a name longer than kNameSize-1 characters opens nothing.
class SettingsFileClass : public QX_ErrorReport {
public:
    static constexpr std::int32_t ModeReading = 0;
    static constexpr std::int32_t ModeWriting = 1;
    static constexpr std::int32_t ModeReadWrite = 2;
    static constexpr std::int32_t ModeAppending = 3;

    static constexpr int kNameSize = 1024;
    static constexpr int kFormatSize = 1024;
    static constexpr int kReadBufferSize = 5120;
    static constexpr int kLineSize = 1024;

    SettingsFileClass();
    SettingsFileClass(const char* fileName, std::int32_t mode);
    SettingsFileClass(const std::string& fileName, std::int32_t mode);
    ~SettingsFileClass();

    // The object owns its stream.
    SettingsFileClass(const SettingsFileClass&) = delete;
    SettingsFileClass& operator=(const SettingsFileClass&) = delete;

    void Open(const char* fileName, std::int32_t mode);
    bool OpenFileForReading();
    bool OpenFileForWriting();
    bool OpenFileForReadWrite();
    bool OpenFileForAppending();
    bool Close();
    bool IsOpen() const { return isOpen; }
    // Whether the last open for reading failed because no file has the name.
    bool FoundNoFile() const { return foundNoFile; }
    // Back to the first byte; false, with the system's reason in the report, when the stream
    // cannot be positioned.
    bool Rewind();
    void Flush();
    const char* GetFileName();

    // One line per call: up to and including the next newline, to the end of the file, or
    // until the buffer is full. The newline stays in the text.
    bool ReadFromSettingsFile(char* buffer, int size);
    bool ReadFromSettingsFile(char* buffer) { return ReadFromSettingsFile(buffer, kLineSize); }
    bool ReadFromSettingsFile(std::string& line);
    bool ReadFromSettingsFileBuffered(char* destination, int size);
    // The next line as ReadFromSettingsFile gives it to a buffer of `size` bytes (at most
    // kLineSize), read up to its first NUL byte, but where the object holds it: no copy for a
    // line that lies whole in the piece read. The line is the caller's to change, and valid until
    // the next call on the object; `size` bytes from its start may be read, however short it is.
    // Null, with the report, when no line is left.
    char* ReadLineInPlace(int size);
    // Whether the line ReadLineInPlace gave last may hold `mark`: false only where it certainly
    // does not. A line cut in the piece read is answered from one search of the piece for the
    // next `mark`, which serves every line before it; a reader that looks for a rare character
    // in every line then reads the piece about once more instead of once per line.
    bool LineInPlaceMayHold(char mark);

    bool WriteToSettingsFile(const char* text);
    bool WriteToSettingsFile(const std::string& text);
    bool WriteLine(const char* text);
    bool WriteLine(const std::string& text);
    bool WriteFormattedLine(const char* format, ...)
        __attribute__((format(CORVANE_PRINTF_FORMAT, 2, 3)));
    bool WriteSetting(const char* name, bool value);
    bool WriteSetting(const char* name, std::int32_t value);
    bool WriteSetting(const char* name, double value);

private:
    enum class LastAccess { None, Read, Write };

    void RefuseLongName(std::int32_t mode);
    bool OpenInMode(const char* openMode, const char* location);
    void Adopt(std::FILE* opened, bool openedForWriting);
    bool ProbeFirstRead(const char* location);
    bool ReadLine(char* buffer, int size);
    bool ReadLineThroughStream(char* buffer, int size);
    bool ReadLineFromChunk(char* buffer, int size);
    char* CutLineInPiece(int size);
    void EndLine(char* line, int length, bool filled);
    void ReleaseHeldByte();
    int FindInPiece(char mark, int from) const;
    void DropPiece();
    bool ReadsThroughChunk() const { return chunk != nullptr && !writable; }
    bool FillChunk();
    bool TakeLineFeed();
    void DropCarriageReturn(char* line, int length, bool filled);
    void PrepareFor(LastAccess access);
    void Report(const char* location, const char* message);

    static constexpr char kNotOpenedText[] = "File is not opened";
    // Inside the class its own kReadBufferSize would be found first: hence a name of its own.
    static constexpr int kPieceSize = 1 << 16;

    char fileNameCopy[kNameSize] = {};
    char formatBuffer[kFormatSize + 1] = {};
    char readBuffer[kReadBufferSize] = {};
    std::FILE* file = nullptr;
    bool isOpen = false;
    bool foundNoFile = false;
    char fileName[kNameSize] = {};
    char lineBuffer[kLineSize] = {};
    // The C library requires a flush or a seek between output and input on one stream.
    LastAccess lastAccess = LastAccess::None;
    // Whether the open mode allows writing, which not every C library checks at the write.
    bool writable = false;
    // A stream opened for reading only is read in large pieces into this buffer, and lines are
    // cut from it with a search for the line feed instead of a character-by-character fgets.
    // Streams that may be written keep fgets, as the position must follow every read for a
    // write between reads. Null where the memory could not be had: fgets serves then as well.
    // One byte more than a piece, for the terminator of a line that ends the piece, and
    // kLineSize more that a line cut in place may be read for.
    std::unique_ptr<char[]> chunk;
    int chunkBegin = 0;
    int chunkEnd = 0;
    // The byte a line handed out in place has its terminator on, and where it goes back.
    int heldAt = -1;
    char heldByte = '\0';
    // The line ReadLineInPlace cut last, [lineBegin, lineEnd) in the piece; lineBegin -1 when
    // it was copied to lineBuffer. markAt: where the next markSought lies at or after the line
    // searched from (chunkEnd for none); -1 when not known for this piece.
    int lineBegin = -1;
    int lineEnd = -1;
    int markAt = -1;
    char markSought = '\0';
};
