// One input of a conversion as the user names it: a file or "-", unpacked as its content asks
// (a gzip stream, a tar archive holding recordings by name, a gzip inside the tar, a gzip around
// the tar), read as the plain text of the recording. A tar archive may hold several recordings:
// they are read one after another, each from its start.
#pragma once

#include "tools/trafficlog/input/ByteSource.h"
#include "tools/trafficlog/input/ReadAhead.h"

#include <cstdint>
#include <memory>

class InputStream : public ByteSource {
public:
    // A gzip file inside a tar archive inside a gzip file is as deep as published recordings
    // go, and a layer more for the text.
    static constexpr int kMaxLayers = 4;

    // False, with the reason, when the file cannot be opened or its container not unpacked.
    bool Open(const char* path);
    // The same over bytes from elsewhere (memory), named `name` in reports; `bytes` must outlive
    // the stream. The file's progress then reads 0.
    bool Open(ByteSource& bytes, const char* name);
    // From here on the file is read and unpacked on a thread of its own, ahead of the reads
    // (see ReadAhead). Call after Open, before the first read.
    void StartReadingAhead();
    int Read(unsigned char* buffer, int size) override;
    int Borrow(const unsigned char** bytes, unsigned char* spare, int size) override;
    // In a tar archive, moves to the next recording member, unpacked as its content asks;
    // End for anything else. Failed leaves the reason in the error text.
    TarSource::Step NextMember(const char* path);
    // The tar member being read, or null outside a tar archive.
    const char* MemberName() const { return tar != nullptr ? tar->MemberName() : nullptr; }

    // Progress through the file itself, whatever it unpacks to.
    std::int64_t FileBytesRead() const {
        return ahead != nullptr ? ahead->FileBytes() : file.BytesRead();
    }
    std::int64_t FileSize() const { return file.Size(); }
    // "gzip", "tar+gzip" ...: what was unpacked, for the summary; empty for plain text.
    const char* Layers() const { return layers; }

private:
    // Unpacks from the current top on.
    bool Unpack(const char* path);

    FileByteSource file;
    std::unique_ptr<ByteSource> stack[2 * kMaxLayers];
    int depth = 0;
    ByteSource* top = &file;
    char layers[40] = {};
    TarSource* tar = nullptr;
    int tarDepth = 0;          // the tar layer's place in the stack
    std::size_t tarLayers = 0; // the length of `layers` up to and with the tar
    // Last, so that the thread stops before the layers it reads go.
    std::unique_ptr<ReadAhead> ahead;
    const unsigned char* taken = nullptr;
    int takenLeft = 0;
};
