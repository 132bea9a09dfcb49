// The plain bytes of a gzip stream (one or more members back to back, as `gzip -dc` reads them),
// inflated as they are read: nothing is unpacked to disk.
#pragma once

#include "tools/trafficlog/input/ByteSource.h"

#include <memory>

class GzipSource : public ByteSource {
public:
    // Reads the compressed bytes from `compressed`, which must outlive this object.
    explicit GzipSource(ByteSource& compressed);
    ~GzipSource() override;
    GzipSource(const GzipSource&) = delete;
    GzipSource& operator=(const GzipSource&) = delete;

    int Read(unsigned char* buffer, int size) override;

private:
    struct Stream;
    // Fills the input buffer; false at the end of the compressed bytes or on a failure.
    bool Refill();
    int Fail(const char* what);

    ByteSource& compressed;
    std::unique_ptr<Stream> stream;
    bool ended = false;
    bool failed = false;
};
