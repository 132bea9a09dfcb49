// One input of a conversion as the user names it: a file or "-", unpacked as its content asks
// (a gzip stream, a tar archive holding the recording by name, a gzip inside the tar), read as
// the plain text of the recording.
#pragma once

#include "tools/trafficlog/ByteSource.h"
#include "tools/trafficlog/ReadAhead.h"

#include <cstdint>
#include <memory>

inline constexpr char kInputStreamHeaderRevision[] =
    "%Z% TrafficLog QX5002:81 InputStream.h $Revision: 1.1 $";

class InputStream : public ByteSource {
public:
    // A file inside a file inside a file is as deep as published recordings go.
    static constexpr int kMaxLayers = 3;

    // False, with the reason, when the file cannot be opened or its container not unpacked.
    bool Open(const char* path);
    // From here on the file is read and unpacked on a thread of its own, ahead of the reads
    // (see ReadAhead). Call after Open, before the first read.
    void StartReadingAhead();
    int Read(unsigned char* buffer, int size) override;
    int Borrow(const unsigned char** bytes, unsigned char* spare, int size) override;

    // Progress through the file itself, whatever it unpacks to.
    std::int64_t FileBytesRead() const {
        return ahead != nullptr ? ahead->FileBytes() : file.BytesRead();
    }
    std::int64_t FileSize() const { return file.Size(); }
    // "gzip", "tar+gzip" ...: what was unpacked, for the summary; empty for plain text.
    const char* Layers() const { return layers; }

private:
    bool Unpack(const char* path);

    FileByteSource file;
    std::unique_ptr<ByteSource> stack[2 * kMaxLayers];
    int depth = 0;
    ByteSource* top = &file;
    char layers[40] = {};
    // Last, so that the thread stops before the layers it reads go.
    std::unique_ptr<ReadAhead> ahead;
    const unsigned char* taken = nullptr;
    int takenLeft = 0;
};
