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

// Writes the header and position block of `message` (kMpPositionSize bytes). Returns the
// number of bytes written, 0 when `capacity` is too small.
std::size_t EncodePosition(const MpPosition& message, std::uint8_t* buffer, std::size_t capacity);

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
