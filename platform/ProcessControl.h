// What a command-line tool needs of its process beyond the standard library: standard input as
// bytes, a stop asked for by an interrupt or termination signal (Ctrl+C on Windows), and reads
// that such a stop ends.
#pragma once

#include <cstddef>
#include <cstdio>

inline constexpr char kProcessControlHeaderRevision[] =
    "%Z% TrafficLog QX5002:83 ProcessControl.h $Revision: 1.2 $";

// How long a read waits at most before it looks for a stop again.
inline constexpr int kStopCheckMilliseconds = 200;

// Standard input delivers its bytes unchanged (Windows would otherwise drop carriage returns
// and end at a Ctrl+Z byte).
void UseBinaryStandardInput();

// From now on SIGINT and SIGTERM only set the flag that StopRequested reads.
void CatchStopSignals();
bool StopRequested();

// Up to `size` bytes of `file` as they come: what a pipe holds as soon as it holds anything,
// rather than the whole `size`, and nothing once a stop is requested, however long the writer
// pauses. The count, 0 at the end of the file, -1 on a failure (errno says which) or a stop
// (errno EINTR, StopRequested true). It reads below the stream's own buffer: a file read this
// way is read only this way.
long ReadAsItComes(std::FILE* file, void* buffer, std::size_t size);
