#pragma once
// FlightGear's multiplayer position message (protocol 1.1): a 32-byte header and a 200-byte
// position block, every number big-endian. FlightGear sends its own aircraft this way and takes
// other aircraft in the same way. Optional property values after the position block are neither
// written nor read.

#include "aviation/Attitude.h"
#include "aviation/Geodesy.h"
#include "error_report/QX_ErrorReport.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

inline constexpr std::uint32_t kMpMagic = 0x46474653; // "FGFS"
inline constexpr std::uint32_t kMpVersion = 0x00010001;
inline constexpr std::uint32_t kMpPositionMessage = 7;
inline constexpr std::size_t kMpHeaderSize = 32;
inline constexpr std::size_t kMpPositionSize = 232; // header and position block
// FlightGear sends and takes nothing longer.
inline constexpr std::size_t kMpMaxDatagram = 1200;
inline constexpr int kMpCallsignSize = 8; // at most 7 characters and a terminator
inline constexpr int kMpModelSize = 96;

struct MpPosition {
    char callsign[kMpCallsignSize];
    char model[kMpModelSize];   // path below FlightGear's data folder
    double time;                // seconds of the sender's clock, increasing
    double lag;                 // seconds
    EarthFixed position;        // metres
    Vector3 attitude;           // axis times angle, radians, earth-fixed frame
    Vector3 linearVelocity;     // body frame, m/s
    Vector3 angularVelocity;    // body frame, rad/s
    Vector3 linearAcceleration; // body frame, m/s^2
    Vector3 angularAcceleration;
};

// A property value after the position block, by its id in FlightGear's table. The short kinds
// take one word, (id << 16) | the value scaled to a 16-bit integer: Norm ×32767 (-1 to 1),
// Tenths ×10, Thousandths ×1000, Int as it is. The plain ones take the id and a 32-bit value.
enum class MpValueKind { Norm, Tenths, Thousandths, Int, PlainInt, PlainFloat };

struct MpProperty {
    std::uint16_t id;
    MpValueKind kind;
    double value;
};

// The word at the end of the position block that tells the receiver property values follow in
// either form; any other but 0 makes it drop them.
inline constexpr std::uint32_t kMpPropertiesMark = 0x1FACE002;

// Writes the header and position block of `message` and the property values after it, in their
// order. Returns the number of bytes written, 0 when `capacity` is too small (kMpPositionSize
// without properties; no more than kMpMaxDatagram in all).
std::size_t EncodePosition(const MpPosition& message, std::uint8_t* buffer, std::size_t capacity,
                           std::span<const MpProperty> properties = {});
// How the bridge writes each id it knows (the gear, flaps, speed brake, engines and
// transponder); none for the others.
std::optional<MpValueKind> KindOfProperty(std::uint16_t id);
// The property values of a position message, read as FlightGear reads them: up to the first id
// KindOfProperty does not know or the end of the datagram; none when the word at the end of the
// position block is neither 0 nor kMpPropertiesMark.
std::vector<MpProperty> DecodeProperties(const std::uint8_t* datagram, std::size_t size);

// No craft FlightGear flies near the earth moves faster (orbital speed is 7.8 km/s): a faster
// velocity is garbage, and moving anything on with it would throw it off the earth.
inline constexpr double kMpMaxSpeed = 1.0e4; // m/s

// Whether a position message holds what the decoder takes: every number finite, the position
// near the earth's surface, the velocity below kMpMaxSpeed. The bridge sends nothing else.
bool IsPlausiblePosition(const MpPosition& message);

enum class MpDecodeResult {
    Position, // a position message, decoded
    Other,    // a well-formed message of another kind (chat, for one): nothing to take
    Malformed // not a message FlightGear would send: the reason is in the error report
};

class MpDecoder : public QX_ErrorReport {
public:
    // Decodes one datagram. A position is taken only when it is plausible (see
    // IsPlausiblePosition); the callsign and model texts are always terminated.
    MpDecodeResult Decode(const std::uint8_t* datagram, std::size_t size, MpPosition& message);
};
