#pragma once
// Opening a file for reading only when it is a regular file, and without ever waiting: a FIFO
// without a writer blocks an ordinary open, one whose writer stalls blocks every read, and a
// device or a pipe can neither be read to its end nor rewound. Such a file is refused at once.

#include <cstdio>

inline constexpr char kRegularFileHeaderRevision[] =
    "%Z% Corvane QX4012:01 RegularFile.h $Revision: 1.1 $";

// The reason for a refusal that is not a system error of its own.
inline constexpr int kNotARegularFile = -1;

// The file opened for reading in binary mode, or null with `error` set: the C library's error
// number of the failed step (EISDIR for a folder), or kNotARegularFile.
std::FILE* OpenRegularFileForReading(const char* path, int& error);
