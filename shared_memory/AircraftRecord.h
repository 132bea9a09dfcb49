#pragma once
// One aircraft as the visual system receives it. The record travels unchanged from the traffic
// analyser through the dialog's staging array into the shared block, so its layout is fixed.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>

inline constexpr char kAircraftRecordRevision[] =
    "%Z% AircraftRecord QX2083:04 AircraftRecord.h $Revision: 1.1 $";

struct AircraftRecord {
    char callsign[12];        // at most 8 characters, every byte after the text 0
    std::int32_t icaoAddress; // -1 when the file's address is not hexadecimal
    double latitude;          // degrees, north positive
    double longitude;         // degrees, east positive
    double geoAltitude;
    double baroAltitude;
    double verticalRate;
    double track; // degrees over ground
    double groundSpeed;
    std::int32_t positionTime; // seconds of the calendar clock
    std::uint8_t onGround;     // 0 or 1
    std::uint8_t reserved[3];  // always 0
};

static_assert(std::endian::native == std::endian::little, "the record is little-endian");
static_assert(std::numeric_limits<double>::is_iec559 && sizeof(double) == 8);
static_assert(sizeof(AircraftRecord) == 80);
static_assert(offsetof(AircraftRecord, callsign) == 0);
static_assert(offsetof(AircraftRecord, icaoAddress) == 12);
static_assert(offsetof(AircraftRecord, latitude) == 16);
static_assert(offsetof(AircraftRecord, longitude) == 24);
static_assert(offsetof(AircraftRecord, geoAltitude) == 32);
static_assert(offsetof(AircraftRecord, baroAltitude) == 40);
static_assert(offsetof(AircraftRecord, verticalRate) == 48);
static_assert(offsetof(AircraftRecord, track) == 56);
static_assert(offsetof(AircraftRecord, groundSpeed) == 64);
static_assert(offsetof(AircraftRecord, positionTime) == 72);
static_assert(offsetof(AircraftRecord, onGround) == 76);
static_assert(offsetof(AircraftRecord, reserved) == 77);
