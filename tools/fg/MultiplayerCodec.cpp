#include "tools/fg/MultiplayerCodec.h"

#include "text_functions/TextFunctions.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace {
constexpr char kWhere[] = "MpDecoder::Decode";
// FlightGear asks for traffic within this range (nautical miles) of its aircraft.
constexpr std::uint32_t kRequestedRangeNm = 100;
// A position farther from the earth's centre than the deepest ocean floor and nearer than a
// few thousand kilometres above the surface; beyond either it is garbage.
constexpr double kMinRadius = 6.3e6;
constexpr double kMaxRadius = 1.0e7;

class Writer {
public:
    explicit Writer(std::uint8_t* buffer) : at(buffer) {}

    void U32(std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            *at++ = static_cast<std::uint8_t>(value >> shift);
        }
    }
    void U64(std::uint64_t value) {
        U32(static_cast<std::uint32_t>(value >> 32));
        U32(static_cast<std::uint32_t>(value));
    }
    void F64(double value) { U64(std::bit_cast<std::uint64_t>(value)); }
    void F32(double value) { U32(std::bit_cast<std::uint32_t>(static_cast<float>(value))); }
    void Vector(const Vector3& v) {
        F32(v.x);
        F32(v.y);
        F32(v.z);
    }
    // A text field: the text cut to size-1 characters, NUL-padded.
    void Text(const char* text, int size) {
        CopyBounded(reinterpret_cast<char*>(at), text, size);
        at += size;
    }

private:
    std::uint8_t* at;
};

class Reader {
public:
    explicit Reader(const std::uint8_t* buffer) : at(buffer) {}

    std::uint32_t U32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value = (value << 8) | *at++;
        }
        return value;
    }
    double F64() {
        const std::uint64_t high = U32();
        return std::bit_cast<double>((high << 32) | U32());
    }
    double F32() { return std::bit_cast<float>(U32()); }
    Vector3 Vector() {
        const double x = F32();
        const double y = F32();
        return {x, y, F32()};
    }
    // A text field that a sender need not have terminated.
    void Text(char* text, int size) {
        std::memcpy(text, at, static_cast<std::size_t>(size));
        text[size - 1] = '\0';
        at += size;
    }

private:
    const std::uint8_t* at;
};

bool Finite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

void ReadPositionBlock(Reader& reader, MpPosition& message) {
    reader.Text(message.model, kMpModelSize);
    message.time = reader.F64();
    message.lag = reader.F64();
    const double x = reader.F64();
    const double y = reader.F64();
    message.position = {x, y, reader.F64()};
    message.attitude = reader.Vector();
    message.linearVelocity = reader.Vector();
    message.angularVelocity = reader.Vector();
    message.linearAcceleration = reader.Vector();
    message.angularAcceleration = reader.Vector();
}

} // namespace

bool IsPlausiblePosition(const MpPosition& message) {
    const EarthFixed& p = message.position;
    const double radius = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    const Vector3& v = message.linearVelocity;
    const double speed = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return std::isfinite(message.time) && std::isfinite(message.lag) && std::isfinite(radius) &&
           radius >= kMinRadius && radius <= kMaxRadius && Finite(message.attitude) &&
           std::isfinite(speed) && speed <= kMpMaxSpeed && Finite(message.angularVelocity) &&
           Finite(message.linearAcceleration) && Finite(message.angularAcceleration);
}

std::size_t EncodePosition(const MpPosition& message, std::uint8_t* buffer, std::size_t capacity) {
    if (buffer == nullptr || capacity < kMpPositionSize) {
        return 0;
    }
    Writer writer(buffer);
    writer.U32(kMpMagic);
    writer.U32(kMpVersion);
    writer.U32(kMpPositionMessage);
    writer.U32(static_cast<std::uint32_t>(kMpPositionSize));
    writer.U32(kRequestedRangeNm);
    writer.U32(0); // reply port
    writer.Text(message.callsign, kMpCallsignSize);
    writer.Text(message.model, kMpModelSize);
    writer.F64(message.time);
    writer.F64(message.lag);
    writer.F64(message.position.x);
    writer.F64(message.position.y);
    writer.F64(message.position.z);
    writer.Vector(message.attitude);
    writer.Vector(message.linearVelocity);
    writer.Vector(message.angularVelocity);
    writer.Vector(message.linearAcceleration);
    writer.Vector(message.angularAcceleration);
    writer.U32(0); // padding
    return kMpPositionSize;
}

MpDecodeResult MpDecoder::Decode(const std::uint8_t* datagram, std::size_t size,
                                 MpPosition& message) {
    if (datagram == nullptr || size < kMpHeaderSize) {
        ReportNumber(kWhere, "Datagram shorter than a message header, bytes",
                     static_cast<std::int32_t>(size));
        return MpDecodeResult::Malformed;
    }
    Reader reader(datagram);
    const std::uint32_t magic = reader.U32();
    const std::uint32_t version = reader.U32();
    const std::uint32_t kind = reader.U32();
    const std::uint32_t length = reader.U32();
    if (magic != kMpMagic) {
        ReportError(kWhere, "Not a FlightGear multiplayer message (no FGFS mark)");
        return MpDecodeResult::Malformed;
    }
    if (version != kMpVersion) {
        ReportNumber(kWhere, "Multiplayer protocol version not 1.1",
                     static_cast<std::int32_t>(version));
        return MpDecodeResult::Malformed;
    }
    if (length != size) {
        char detail[96];
        FormatBounded(detail, sizeof detail, "the header says %u bytes, the datagram has %zu",
                      static_cast<unsigned>(length), size);
        ReportDetail(kWhere, "Message length does not match the datagram", detail);
        return MpDecodeResult::Malformed;
    }
    if (kind != kMpPositionMessage) {
        return MpDecodeResult::Other;
    }
    if (size < kMpPositionSize) {
        ReportNumber(kWhere, "Position message cut short, bytes", static_cast<std::int32_t>(size));
        return MpDecodeResult::Malformed;
    }
    reader.U32(); // requested range
    reader.U32(); // reply port
    reader.Text(message.callsign, kMpCallsignSize);
    ReadPositionBlock(reader, message);
    if (!IsPlausiblePosition(message)) {
        ReportError(kWhere, "Position message with a position or motion that is not a number, "
                            "not near the earth or faster than any craft");
        return MpDecodeResult::Malformed;
    }
    return MpDecodeResult::Position;
}
