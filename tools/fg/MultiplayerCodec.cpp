#include "tools/fg/MultiplayerCodec.h"

#include "text_functions/TextFunctions.h"

#include <algorithm>
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
// Bytes a property takes in each form.
constexpr std::size_t kShortSize = 4;
constexpr std::size_t kPlainSize = 8;
// Engines FlightGear's table gives ids to, ten ids apart.
constexpr std::uint16_t kFirstEngineId = 300;
constexpr std::uint16_t kEngines = 10;

// The factor a short property's value is written with; 0 for the plain kinds.
double ScaleOf(MpValueKind kind) {
    switch (kind) {
    case MpValueKind::Norm:
        return 32767;
    case MpValueKind::Tenths:
        return 10;
    case MpValueKind::Thousandths:
        return 1000;
    case MpValueKind::Int:
        return 1;
    case MpValueKind::PlainInt:
    case MpValueKind::PlainFloat:
        break;
    }
    return 0;
}

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
    void Property(const MpProperty& property) {
        const double scale = ScaleOf(property.kind);
        if (scale > 0) {
            // Cut towards zero, as FlightGear writes its own.
            const double scaled = std::clamp(std::trunc(property.value * scale), -32768.0, 32767.0);
            const auto value = static_cast<std::uint16_t>(static_cast<std::int16_t>(scaled));
            U32((std::uint32_t{property.id} << 16) | value);
            return;
        }
        U32(property.id);
        if (property.kind == MpValueKind::PlainInt) {
            const double whole =
                std::clamp(std::round(property.value), -2147483648.0, 2147483647.0);
            U32(static_cast<std::uint32_t>(static_cast<std::int32_t>(whole)));
        } else {
            F32(property.value);
        }
    }
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

std::size_t SizeOf(std::span<const MpProperty> properties) {
    std::size_t size = 0;
    for (const MpProperty& property : properties) {
        size += ScaleOf(property.kind) > 0 ? kShortSize : kPlainSize;
    }
    return size;
}

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

std::size_t EncodePosition(const MpPosition& message, std::uint8_t* buffer, std::size_t capacity,
                           std::span<const MpProperty> properties) {
    const std::size_t size = kMpPositionSize + SizeOf(properties);
    if (buffer == nullptr || capacity < size || size > kMpMaxDatagram) {
        return 0;
    }
    Writer writer(buffer);
    writer.U32(kMpMagic);
    writer.U32(kMpVersion);
    writer.U32(kMpPositionMessage);
    writer.U32(static_cast<std::uint32_t>(size));
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
    writer.U32(properties.empty() ? 0 : kMpPropertiesMark);
    for (const MpProperty& property : properties) {
        writer.Property(property);
    }
    return size;
}

std::optional<MpValueKind> KindOfProperty(std::uint16_t id) {
    switch (id) {
    case 104: // flaps
    case 105: // speed brake
    case 200: // gear[0..2]: compression, position
    case 201:
    case 210:
    case 211:
    case 220:
    case 221:
        return MpValueKind::Norm;
    case 1500: // transponder: code, mode, ground bit
    case 1503:
    case 1504:
        return MpValueKind::Int;
    case 1501: // transponder altitude
        return MpValueKind::PlainInt;
    default:
        break;
    }
    // Each engine's n1, n2 and rpm.
    if (id >= kFirstEngineId && id < kFirstEngineId + 10 * kEngines && id % 10 <= 2) {
        return MpValueKind::Tenths;
    }
    return std::nullopt;
}

std::vector<MpProperty> DecodeProperties(const std::uint8_t* datagram, std::size_t size) {
    std::vector<MpProperty> properties;
    if (datagram == nullptr || size < kMpPositionSize) {
        return properties;
    }
    Reader reader(datagram + kMpPositionSize - kShortSize);
    const std::uint32_t mark = reader.U32();
    if (mark != 0 && mark != kMpPropertiesMark) {
        return properties;
    }
    for (std::size_t at = kMpPositionSize; at + kShortSize <= size;) {
        const std::uint32_t word = reader.U32();
        const bool isShort = (word >> 16) != 0;
        const auto id = static_cast<std::uint16_t>(isShort ? word >> 16 : word);
        const std::optional<MpValueKind> kind = KindOfProperty(id);
        if (!kind || (!isShort && at + kPlainSize > size)) {
            break;
        }
        double value = 0;
        if (isShort) {
            const double scale = ScaleOf(*kind) > 0 ? ScaleOf(*kind) : 1;
            value = static_cast<std::int16_t>(word & 0xFFFF) / scale;
        } else if (*kind == MpValueKind::Int || *kind == MpValueKind::PlainInt) {
            value = static_cast<std::int32_t>(reader.U32());
        } else {
            value = reader.F32();
        }
        properties.push_back({id, *kind, value});
        at += isShort ? kShortSize : kPlainSize;
    }
    return properties;
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
