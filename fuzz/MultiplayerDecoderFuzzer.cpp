// One datagram into the bridge, as FlightGear's multiplayer port takes it from anyone on the
// network. Whatever the decoder takes must be a plausible position whose every number is finite,
// whose texts are terminated, and that the encoder writes back into a message the decoder takes
// as it was; and the own-ship the bridge makes of it must be a place on the earth.
#include "fuzz/FuzzCheck.h"
#include "tools/fg/FgBridge.h"
#include "tools/fg/MultiplayerCodec.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

bool Finite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool Terminated(const char* text, std::size_t size) {
    return std::memchr(text, '\0', size) != nullptr;
}

void CheckPosition(const MpPosition& message) {
    FUZZ_CHECK(Terminated(message.callsign, sizeof message.callsign));
    FUZZ_CHECK(Terminated(message.model, sizeof message.model));
    FUZZ_CHECK(IsPlausiblePosition(message));
    FUZZ_CHECK(std::isfinite(message.time) && std::isfinite(message.lag));
    FUZZ_CHECK(std::isfinite(message.position.x) && std::isfinite(message.position.y) &&
               std::isfinite(message.position.z));
    FUZZ_CHECK(Finite(message.attitude) && Finite(message.linearVelocity) &&
               Finite(message.angularVelocity) && Finite(message.linearAcceleration) &&
               Finite(message.angularAcceleration));
    const Vector3& v = message.linearVelocity;
    FUZZ_CHECK(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z) <= kMpMaxSpeed);
    const GeodeticPosition at = ToGeodetic(message.position);
    FUZZ_CHECK(std::fabs(at.latitude) <= 90.0 && std::fabs(at.longitude) <= 180.0 &&
               std::isfinite(at.height));
}

void CheckRoundTrip(const MpPosition& message) {
    std::uint8_t bytes[kMpPositionSize];
    FUZZ_CHECK(EncodePosition(message, bytes, sizeof bytes) == kMpPositionSize);
    MpDecoder decoder;
    MpPosition again{};
    FUZZ_CHECK(decoder.Decode(bytes, sizeof bytes, again) == MpDecodeResult::Position);
    FUZZ_CHECK(std::strcmp(again.callsign, message.callsign) == 0);
    FUZZ_CHECK(std::strcmp(again.model, message.model) == 0);
    FUZZ_CHECK(again.time == message.time && again.position.x == message.position.x &&
               again.position.y == message.position.y && again.position.z == message.position.z);
}

void CheckOwnShip(const FgBridge& bridge, const VisualInterfaceBlock& block) {
    const FgStatus& status = bridge.Status();
    if (!status.ownKnown) {
        return;
    }
    FUZZ_CHECK(std::fabs(status.own.latitude) <= 90.0 && std::fabs(status.own.longitude) <= 180.0);
    FUZZ_CHECK(std::isfinite(status.own.height) && std::isfinite(status.ownHeading) &&
               std::isfinite(status.ownVerticalSpeed));
    FUZZ_CHECK(block.ownLatitude == status.own.latitude &&
               block.ownLongitude == status.own.longitude);
    FUZZ_CHECK(Terminated(status.ownCallsign, sizeof status.ownCallsign));
}

} // namespace

// Input: the datagram. One longer than the bridge's buffer arrives cut, as the socket cuts it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MpDecoder decoder;
    MpPosition message{};
    const MpDecodeResult result = decoder.Decode(data, size, message);
    if (result == MpDecodeResult::Position) {
        CheckPosition(message);
        CheckRoundTrip(message);
    } else if (result == MpDecodeResult::Malformed) {
        FUZZ_CHECK(!decoder.FullErrorText().empty());
    }

    auto block = std::make_unique<VisualInterfaceBlock>();
    std::memset(block.get(), 0, sizeof(VisualInterfaceBlock));
    const FgSettings settings;
    FgBridge bridge(*block, settings, 0);
    const bool tooLong = size > kMpMaxDatagram;
    bridge.Receive(data, tooLong ? kMpMaxDatagram : size, tooLong, 1.0);
    CheckOwnShip(bridge, *block);
    return 0;
}
