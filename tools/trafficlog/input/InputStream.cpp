#include "tools/trafficlog/input/InputStream.h"

#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/input/GzipSource.h"

#include <algorithm>
#include <cstring>

namespace {
// A tar header block is 512 bytes; its format mark stands at 257, its checksum at 148.
constexpr int kSniffSize = 512;
constexpr int kTarMarkOffset = 257;
constexpr int kTarChecksumOffset = 148;
constexpr int kTarChecksumSize = 8;

// A tar header without the format mark (an old v7 archive) is known by its checksum: the sum
// of its bytes, the checksum's own taken as spaces, written in octal. A block of zeros is the
// end of an archive, alone an empty one.
bool IsTarHeader(const unsigned char* block) {
    long sum = 0;
    bool zeros = true;
    for (int i = 0; i < kSniffSize; ++i) {
        const bool inChecksum =
            i >= kTarChecksumOffset && i < kTarChecksumOffset + kTarChecksumSize;
        sum += inChecksum ? ' ' : block[i];
        zeros = zeros && block[i] == 0;
    }
    if (zeros) {
        return true;
    }
    long written = 0;
    int digits = 0;
    for (int i = kTarChecksumOffset; i < kTarChecksumOffset + kTarChecksumSize; ++i) {
        const unsigned char c = block[i];
        if (c >= '0' && c <= '7') {
            written = written * 8 + (c - '0');
            ++digits;
        } else if (c != ' ' && c != '\0') {
            return false;
        } else if (digits > 0) {
            break;
        }
    }
    return digits > 0 && written == sum;
}

enum class Container { None, Gzip, Tar };

// Keeps the first bytes of a source to look at, then hands them on before the rest.
class Lookahead : public ByteSource {
public:
    explicit Lookahead(ByteSource& source) : source(source) {}

    // False on a read failure (the text is taken over).
    bool Fill() {
        while (length < kSniffSize) {
            const int got = source.Read(head + length, kSniffSize - length);
            if (got < 0) {
                SetErrorText(source.FullErrorText().c_str());
                return false;
            }
            if (got == 0) {
                break;
            }
            length += got;
        }
        return true;
    }

    Container Kind() const {
        if (length >= 2 && head[0] == 0x1f && head[1] == 0x8b) {
            return Container::Gzip;
        }
        if (length >= kTarMarkOffset + 5 && std::memcmp(head + kTarMarkOffset, "ustar", 5) == 0) {
            return Container::Tar;
        }
        if (length == kSniffSize && IsTarHeader(head)) {
            return Container::Tar;
        }
        return Container::None;
    }

    int Read(unsigned char* buffer, int size) override {
        if (position < length) {
            const int count = std::min(size, length - position);
            std::memcpy(buffer, head + position, static_cast<std::size_t>(count));
            position += count;
            return count;
        }
        const int got = source.Read(buffer, size);
        if (got < 0) {
            SetErrorText(source.FullErrorText().c_str());
        }
        return got;
    }

private:
    ByteSource& source;
    unsigned char head[kSniffSize] = {};
    int length = 0;
    int position = 0;
};
} // namespace

bool InputStream::Open(const char* path) {
    if (!file.Open(path)) {
        SetErrorText(file.FullErrorText().c_str());
        return false;
    }
    return Unpack(path);
}

bool InputStream::Open(ByteSource& bytes, const char* name) {
    top = &bytes;
    return Unpack(name);
}

bool InputStream::Unpack(const char* path) {
    while (depth < 2 * kMaxLayers) {
        auto lookahead = std::make_unique<Lookahead>(*top);
        if (!lookahead->Fill()) {
            ReportDetail("InputStream::Open", lookahead->FullErrorText().c_str(), path);
            return false;
        }
        const Container kind = lookahead->Kind();
        top = lookahead.get();
        stack[depth++] = std::move(lookahead);
        if (kind == Container::None) {
            return true;
        }
        if (depth == 2 * kMaxLayers - 1) {
            break;
        }
        std::unique_ptr<ByteSource> unpacked;
        if (kind == Container::Gzip) {
            unpacked = std::make_unique<GzipSource>(*top);
        } else if (tar != nullptr) {
            ReportDetail("InputStream::Open", "a tar archive inside a tar archive is not read",
                         path);
            return false;
        } else {
            std::unique_ptr<TarSource> archive = OpenTarMember(*top, *this);
            if (archive == nullptr) {
                const std::string reason = FullErrorText();
                ReportDetail("InputStream::Open", reason.c_str(), path);
                return false;
            }
            tar = archive.get();
            tarDepth = depth;
            unpacked = std::move(archive);
        }
        const std::size_t used = std::strlen(layers);
        FormatBounded(layers + used, static_cast<int>(sizeof layers - used), "%s%s",
                      used > 0 ? "+" : "", kind == Container::Gzip ? "gzip" : "tar");
        if (kind == Container::Tar) {
            tarLayers = std::strlen(layers);
        }
        top = unpacked.get();
        stack[depth++] = std::move(unpacked);
    }
    ReportDetail("InputStream::Open", "containers nested deeper than a recording comes", path);
    return false;
}

void InputStream::StartReadingAhead() {
    ahead = std::make_unique<ReadAhead>(*top, file);
}

TarSource::Step InputStream::NextMember(const char* path) {
    // The thread reads the layers that change here: it stops first.
    ahead.reset();
    taken = nullptr;
    takenLeft = 0;
    if (tar == nullptr) {
        return TarSource::Step::End;
    }
    while (depth > tarDepth + 1) {
        stack[--depth].reset();
    }
    top = tar;
    layers[tarLayers] = '\0';
    const TarSource::Step step = tar->NextMember();
    if (step == TarSource::Step::Failed) {
        ReportDetail("InputStream::NextMember", tar->FullErrorText().c_str(), path);
    } else if (step == TarSource::Step::Found && !Unpack(path)) {
        return TarSource::Step::Failed;
    }
    return step;
}

int InputStream::Read(unsigned char* buffer, int size) {
    if (ahead == nullptr) {
        const int got = top->Read(buffer, size);
        if (got < 0) {
            SetErrorText(top->FullErrorText().c_str());
        }
        return got;
    }
    const unsigned char* bytes = nullptr;
    const int got = Borrow(&bytes, buffer, size);
    if (got > 0) {
        std::memcpy(buffer, bytes, static_cast<std::size_t>(got));
    }
    return got;
}

int InputStream::Borrow(const unsigned char** bytes, unsigned char* spare, int size) {
    if (ahead == nullptr) {
        return ByteSource::Borrow(bytes, spare, size);
    }
    if (takenLeft == 0) {
        const int got = ahead->Take(&taken);
        if (got <= 0) {
            if (got < 0) {
                SetErrorText(ahead->FailureText().c_str());
            }
            return got;
        }
        takenLeft = got;
    }
    const int count = std::min(size, takenLeft);
    *bytes = taken;
    taken += count;
    takenLeft -= count;
    return count;
}
