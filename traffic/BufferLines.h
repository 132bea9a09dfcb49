// The lines of a piece of a data file held in memory, cut as the data file's own reader cuts
// them, so that an entry read from memory reaches the analyser exactly as it would from the file.
#pragma once

#include "traffic/DataSetReader.h"

#include <cstddef>

inline constexpr char kBufferLinesHeaderRevision[] =
    "%Z% LiveEntryReader QX2125:01 BufferLines.h $Revision: 1.1 $";

class BufferLines final : public LineSource {
public:
    // The bytes stay the caller's and must outlive the object.
    BufferLines(const char* bytes, std::size_t size) : bytes(bytes), size(size) {}

    bool ReadLine(char* buffer, int bufferSize) override;

    // Bytes not yet delivered.
    std::size_t Remaining() const { return size - position; }

private:
    const char* bytes;
    std::size_t size;
    std::size_t position = 0;
};

extern const char kBufferLinesSourceRevision[];
