#pragma once
// How the bridge reads what it loads at start (the aircraft database, the model table,
// FlightGear's data, the geoid grid): a file the user names may be a FIFO or a pipe whose
// writer takes its time, a file of FlightGear's data must be a regular file, and every read
// asks its watch between pieces and while it waits, so that a stop request ends it at once.

#include "platform/RegularFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// What a long read at start asks of the program that started it.
class ReadWatch {
public:
    virtual ~ReadWatch() = default;
    // True once the user has asked the program to stop (and from then on): the read ends.
    virtual bool StopRequested() = 0;
    // A read of `path` (a FIFO or a pipe) has waited a while for its writer: said once a file.
    virtual void Waiting(const std::string& path) = 0;
};

// A watch that never stops a read and tells no one of a wait.
ReadWatch& NoReadWatch();

// Whether a file may be a FIFO or a pipe: one the user names may, one found in FlightGear's
// folders may not (a FIFO there is no FlightGear file and would hold the start up).
enum class FileKinds { RegularOnly, PipesToo };

// The bytes of a file from its start, in pieces, waiting for a pipe's writer in short slices.
class InputBytes {
public:
    InputBytes(const std::string& path, FileKinds kinds, ReadWatch& watch);

    bool IsOpen() const { return open; }
    // Up to `size` bytes: the count, 0 at the end, -1 when the read failed or was stopped
    // (Stopped says which; Why says why, in words).
    std::int64_t Read(char* buffer, std::size_t size);
    // As Read, but reads on until `size` bytes came or the file ended: fewer only at the end.
    std::int64_t Fill(char* buffer, std::size_t size);
    bool Stopped() const { return stopped; }
    const std::string& Why() const { return why; }
    // Asks the watch, as every read does, for a reader whose pieces outnumber its reads (a
    // gzip stream inflated): true once a stop was asked for.
    bool StopAsked();

private:
    std::string path;
    ReadWatch& watch;
    SequentialReadFile file;
    bool open = false;
    bool stopped = false;
    bool waitingTold = false;
    std::string why;
};

enum class WholeFile { Read, Failed, TooLarge, Stopped };

// The whole of a file of at most `limit` bytes into `text`; the outcome, and when it is not
// Read, the reason in `why` (for TooLarge: "larger than N bytes").
WholeFile ReadWholeFile(const std::string& path, std::size_t limit, FileKinds kinds,
                        ReadWatch& watch, std::string& text, std::string& why);

// A limit in words: "4 MiB" for 4 MiB, else its bytes.
std::string SizeInWords(std::uint64_t bytes);

// A text editor's UTF-8 byte order mark at the start of a text is no part of its first line.
void SkipByteOrderMark(std::string_view& text);

// Runs one step of the loading at start, which reads `what`. An allocation that fails in it
// (an input that needs more memory than the machine gives) makes the step fail with a reason
// that names it, where it would otherwise end the program without a word.
bool LoadStep(const std::string& what, std::string& error, const std::function<bool()>& step);
