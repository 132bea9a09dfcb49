#include "tools/trafficlog/input/GzipSource.h"

#include <climits>
#include <zlib.h>

namespace {
constexpr int kInputSize = 1 << 17;
// 16 added to the window size: a gzip header and trailer, not a raw zlib stream.
constexpr int kGzipWindowBits = 16 + MAX_WBITS;
} // namespace

struct GzipSource::Stream {
    z_stream z = {};
    bool initialised = false;
    bool inMember = true;
    unsigned char input[kInputSize];
};

GzipSource::GzipSource(ByteSource& compressed)
    // Default-initialised, not value-initialised: zlib reads only the input bytes filled, and
    // zeroing 128 KB for every member of a file of many small ones costs more than inflating it.
    : compressed(compressed), stream(new Stream) {
    if (inflateInit2(&stream->z, kGzipWindowBits) != Z_OK) {
        Fail("zlib could not be set up");
        return;
    }
    stream->initialised = true;
}

GzipSource::~GzipSource() {
    if (stream->initialised) {
        inflateEnd(&stream->z);
    }
}

int GzipSource::Fail(const char* what) {
    failed = true;
    ReportError("GzipSource::Read", what);
    return -1;
}

bool GzipSource::Refill() {
    const int got = compressed.Read(stream->input, kInputSize);
    if (got < 0) {
        failed = true;
        SetErrorText(compressed.FullErrorText().c_str());
        return false;
    }
    stream->z.next_in = stream->input;
    stream->z.avail_in = static_cast<uInt>(got);
    return got > 0;
}

int GzipSource::Read(unsigned char* buffer, int size) {
    if (failed) {
        return -1;
    }
    z_stream& z = stream->z;
    z.next_out = buffer;
    z.avail_out = static_cast<uInt>(size);
    while (!ended && z.avail_out > 0) {
        if (z.avail_in == 0 && !Refill()) {
            if (failed) {
                return -1;
            }
            // The compressed bytes ended: fine between members, a cut-short file within one.
            if (stream->inMember) {
                return Fail("the gzip data ends early: the file is cut short");
            }
            ended = true;
            break;
        }
        if (!stream->inMember) {
            // Further members follow the first as `gzip -dc` reads them; anything else after
            // a whole member (padding) is not data.
            if (z.next_in[0] != 0x1f) {
                ended = true;
                break;
            }
            inflateReset(&z);
            stream->inMember = true;
        }
        const int status = inflate(&z, Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
            stream->inMember = false;
        } else if (status == Z_DATA_ERROR || status == Z_NEED_DICT) {
            return Fail(z.msg != nullptr ? z.msg : "the gzip data is damaged");
        } else if (status == Z_MEM_ERROR) {
            return Fail("out of memory");
        } else if (status == Z_BUF_ERROR && z.avail_in > 0) {
            return Fail("the gzip data is damaged");
        }
        // With some output in hand, hand it over rather than wait for a full buffer.
        if (z.avail_out < static_cast<uInt>(size) && z.avail_in == 0) {
            break;
        }
    }
    return size - static_cast<int>(z.avail_out);
}
