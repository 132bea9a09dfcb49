#pragma once
// The "VisualInterface" block that this program shares with the simulator's visual system.
// Both sides map the same bytes, so every offset below is part of the interface.

#include "shared_memory/AircraftRecord.h"

#include <cstddef>
#include <cstdint>

// The interface version tag is derived from this identifier (see CVisShm::VersionTag); it is
// compiled into every user of the layout and not registered with configuration control.
inline constexpr char kVisualInterfaceRevision[] =
    "%Z% VisualInterface QX2083:03 VisualInterfaceShm.h $Revision: 1.1 $";

inline constexpr char kVisualInterfaceName[] = "VisualInterface";
inline constexpr std::uint32_t kVisualInterfaceSize = 13544;
inline constexpr int kMaxBlockAircraft = 150;
inline constexpr int kVersionTagSize = 64;
inline constexpr int kDiagnosticSlots = 10;
inline constexpr int kDiagnosticTextSize = 128;

// Values of simulationState with a meaning of their own; any other value means running.
inline constexpr std::int32_t kSimulationNotRunning = 0;
inline constexpr std::int32_t kSimulationEnding = 0x00FFFFFF;

struct VisualInterfaceBlock {
    char versionTag[kVersionTagSize]; // NUL-padded
    std::uint8_t reserved64[8];
    std::int32_t simulationState; // written by the simulator side only
    std::uint8_t reserved76[76];
    double ownLatitude;  // degrees, north positive
    double ownLongitude; // degrees, east positive
    std::uint8_t reserved168[16];
    std::int32_t attachCount; // changed only with atomic read-modify-writes
    std::uint8_t reserved188[4];
    std::int32_t aircraftCount;
    std::int32_t publishCounter; // raised after the records of a publication are in place
    std::int32_t trafficStatus;
    std::int32_t soundRequest; // written by the simulator side only
    AircraftRecord aircraft[kMaxBlockAircraft];
    char diagnosticText[kDiagnosticSlots][kDiagnosticTextSize];
    std::uint8_t reserved13488[56];
};

static_assert(sizeof(VisualInterfaceBlock) == kVisualInterfaceSize);
static_assert(offsetof(VisualInterfaceBlock, versionTag) == 0);
static_assert(offsetof(VisualInterfaceBlock, reserved64) == 64);
static_assert(offsetof(VisualInterfaceBlock, simulationState) == 72);
static_assert(offsetof(VisualInterfaceBlock, reserved76) == 76);
static_assert(offsetof(VisualInterfaceBlock, ownLatitude) == 152);
static_assert(offsetof(VisualInterfaceBlock, ownLongitude) == 160);
static_assert(offsetof(VisualInterfaceBlock, reserved168) == 168);
static_assert(offsetof(VisualInterfaceBlock, attachCount) == 184);
static_assert(offsetof(VisualInterfaceBlock, reserved188) == 188);
static_assert(offsetof(VisualInterfaceBlock, aircraftCount) == 192);
static_assert(offsetof(VisualInterfaceBlock, publishCounter) == 196);
static_assert(offsetof(VisualInterfaceBlock, trafficStatus) == 200);
static_assert(offsetof(VisualInterfaceBlock, soundRequest) == 204);
static_assert(offsetof(VisualInterfaceBlock, aircraft) == 208);
static_assert(offsetof(VisualInterfaceBlock, diagnosticText) == 12208);
static_assert(offsetof(VisualInterfaceBlock, diagnosticText[1]) == 12336);
static_assert(offsetof(VisualInterfaceBlock, diagnosticText[3]) == 12592);
static_assert(offsetof(VisualInterfaceBlock, diagnosticText[6]) == 12976);
static_assert(offsetof(VisualInterfaceBlock, reserved13488) == 13488);
