#include "tools/trafficlog/sources/BaseStationTracker.h"

#include "aviation/TrafficTrack.h"
#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/datafile/FlightValueText.h"
#include "tools/trafficlog/sources/FieldText.h"
#include "tools/trafficlog/sources/UtcTime.h"
#include "traffic/Units.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
using units::kMetresPerFoot;
using units::kMetresPerSecondPerFootPerMinute;
using units::kMetresPerSecondPerKnot;
constexpr int kMaxFields = 22;
constexpr int kShownSize = 41;

// Fields of a MSG line.
enum Field {
    MessageType,
    TransmissionType,
    HexIdent = 4,
    DateGenerated = 6,
    TimeGenerated = 7,
    Callsign = 10,
    Altitude = 11,
    GroundSpeed = 12,
    Track = 13,
    Latitude = 14,
    Longitude = 15,
    VerticalRate = 16,
};

// The fields each used transmission type needs.
int FieldsNeeded(int type) {
    switch (type) {
    case 1:
        return Callsign + 1;
    case 3:
        return Longitude + 1;
    default:
        return VerticalRate + 1;
    }
}

// The value as the data file writes it (`step` apart), so that what is judged is what is
// written; values far beyond any limit stay as they are.
double AsWritten(double value, double step) {
    return std::fabs(value) < 1e12 ? std::round(value / step) * step : value;
}

// The message's generated date and time; a time beyond what a data file holds is refused.
bool ReadTime(char** fields, double& time, char* reason, int size) {
    char shown[kShownSize];
    std::int64_t generated = 0;
    if (!ParseUtcDateTime(fields[DateGenerated], fields[TimeGenerated], generated)) {
        FormatBounded(reason, size, "date and time \"%s %s\" are not a time",
                      MaskControlsBounded(shown, fields[DateGenerated], 12),
                      MaskControlsBounded(shown + 12, fields[TimeGenerated], 20));
        return false;
    }
    if (generated > INT32_MAX) {
        FormatBounded(reason, size,
                      "time %lld is beyond what a data file holds (2147483647, in 2038)",
                      static_cast<long long>(generated));
        return false;
    }
    const char* fraction = std::strchr(fields[TimeGenerated], '.');
    time = static_cast<double>(generated) + (fraction != nullptr ? std::atof(fraction) : 0.0);
    return true;
}

} // namespace

bool IsBaseStationLine(const char* line) {
    for (const char* kind : {"MSG,", "SEL,", "ID,", "AIR,", "STA,", "CLK,"}) {
        if (std::strncmp(line, kind, std::strlen(kind)) == 0) {
            return true;
        }
    }
    return false;
}

MessageKind BaseStationTracker::Read(char* line, bool useOwnTime, double now, Message& message,
                                     char* reason, int size) const {
    if (!IsBaseStationLine(line)) {
        FormatBounded(reason, size, "not a BaseStation message");
        return MessageKind::Bad;
    }
    char* fields[kMaxFields + 1] = {};
    const int count = SplitAtCharBounded(line, ",", fields, kMaxFields);
    if (std::strcmp(fields[MessageType], "MSG") != 0) {
        return MessageKind::Ignored;
    }
    message = Message{};
    message.type = std::atoi(fields[TransmissionType]);
    const int type = message.type;
    if (type != 1 && type != 3 && type != 4 && !(type == 2 && surface == SurfacePositions::Kept)) {
        return MessageKind::Ignored;
    }
    if (count < FieldsNeeded(type)) {
        FormatBounded(reason, size, "MSG,%d with %d fields, %d needed", type, count,
                      FieldsNeeded(type));
        return MessageKind::Bad;
    }
    char shown[kShownSize];
    char* address = TrimField(fields[HexIdent]);
    if (!IsAddressText(address)) {
        FormatBounded(reason, size, "address \"%s\" is not hexadecimal of at most 6 digits",
                      MaskControlsBounded(shown, address, kShownSize));
        return MessageKind::Bad;
    }
    message.time = now;
    if (useOwnTime && !ReadTime(fields, message.time, reason, size)) {
        return MessageKind::Bad;
    }
    message.key = static_cast<std::uint32_t>(ParseHex(address));
    if (aircraft.size() >= kMaxAircraft && aircraft.find(message.key) == aircraft.end()) {
        FormatBounded(reason, size, "more than %zu aircraft heard at once", kMaxAircraft);
        return MessageKind::Bad;
    }
    CopyBounded(message.address, address, sizeof message.address);
    const bool read = type == 1 ? ReadCallsign(fields, message, reason, size)
                                : ReadValues(fields, message, reason, size);
    return read ? MessageKind::Used : MessageKind::Bad;
}

bool BaseStationTracker::ReadCallsign(char** fields, Message& message, char* reason, int size) {
    char* callsign = TrimField(fields[Callsign]);
    if (CheckAircraftField(callsign) != AircraftLineResult::Written || std::strlen(callsign) > 8) {
        char shown[kShownSize];
        FormatBounded(reason, size,
                      "callsign \"%s\" is longer than 8 characters or holds \"|\", \"#\" or a "
                      "control character",
                      MaskControlsBounded(shown, callsign, kShownSize));
        return false;
    }
    CopyBounded(message.callsign, callsign, sizeof message.callsign);
    return true;
}

// Empty fields carry nothing; a field that holds something must be a number, and one that an
// aircraft can have.
bool BaseStationTracker::ReadValues(char** fields, Message& message, char* reason, int size) {
    const int type = message.type;
    double values[kMaxFields] = {};
    bool present[kMaxFields] = {};
    const int used[] = {Altitude, GroundSpeed, Track, Latitude, Longitude, VerticalRate};
    char shown[kShownSize];
    for (const int field : used) {
        if (field >= FieldsNeeded(type)) {
            continue;
        }
        char* text = TrimField(fields[field]);
        if (*text == '\0') {
            continue;
        }
        if (!ReadFieldNumber(text, values[field])) {
            FormatBounded(reason, size, "field %d \"%s\" is not a number", field + 1,
                          MaskControlsBounded(shown, text, kShownSize));
            return false;
        }
        present[field] = true;
    }
    // A surface position (2) carries a position and a velocity, and no height worth keeping.
    if (type != 4) {
        if (present[Latitude] != present[Longitude] ||
            (present[Latitude] &&
             (std::fabs(values[Latitude]) > 90.0 || std::fabs(values[Longitude]) > 180.0))) {
            FormatBounded(reason, size, "position out of range or half given");
            return false;
        }
        message.hasAltitude = type == 3 && present[Altitude];
        message.altitudeMetres = AsWritten(values[Altitude] * kMetresPerFoot, 0.1);
        message.hasPosition = present[Latitude];
        message.latitude = values[Latitude];
        message.longitude = values[Longitude];
        if (message.hasAltitude &&
            IsUnflyable(FlightValue::Height, "altitude", message.altitudeMetres, reason, size)) {
            return false;
        }
        if (type == 3) {
            return true;
        }
    }
    message.hasSpeed = present[GroundSpeed];
    message.hasTrack = present[Track];
    message.hasRate = present[VerticalRate];
    message.speed = AsWritten(values[GroundSpeed] * kMetresPerSecondPerKnot, 0.01);
    message.track = units::Bearing(values[Track]);
    message.rate = AsWritten(values[VerticalRate] * kMetresPerSecondPerFootPerMinute, 0.01);
    return !(message.hasSpeed &&
             IsUnflyable(FlightValue::GroundSpeed, "ground speed", message.speed, reason, size)) &&
           !(message.hasRate &&
             IsUnflyable(FlightValue::VerticalRate, "vertical rate", message.rate, reason, size));
}

void BaseStationTracker::Apply(const Message& message) {
    const auto [found, added] = aircraft.try_emplace(message.key);
    Aircraft& plane = found->second;
    if (added || message.time < plane.firstHeard) {
        plane.firstHeard = message.time;
    }
    CopyBounded(plane.address, message.address, sizeof plane.address);
    plane.heard = std::fmax(plane.heard, message.time);
    const double time = message.time;
    if (message.type == 1) {
        if (time >= plane.callsignTime) {
            plane.callsignTime = time;
            CopyBounded(plane.callsign, message.callsign, sizeof plane.callsign);
        }
        return;
    }
    if (message.type != 4) {
        if (message.hasAltitude && time >= plane.altitudeTime) {
            plane.altitudeTime = time;
            plane.altitudeMetres = message.altitudeMetres;
        }
        if (message.hasPosition && time >= plane.positionTime) {
            plane.positionTime = time;
            plane.latitude = message.latitude;
            plane.longitude = message.longitude;
            latestPosition = std::fmax(latestPosition, time);
            plane.surfaceTime = message.type == 2 ? time : plane.surfaceTime;
        }
        if (message.type == 3) {
            return;
        }
    }
    if (time >= plane.velocityTime) {
        plane.velocityTime = time;
        plane.hasSpeed = message.hasSpeed;
        plane.hasTrack = message.hasTrack;
        plane.hasRate = message.hasRate;
        plane.speed = message.speed;
        plane.track = message.track;
        plane.rate = message.rate;
    }
}

MessageKind BaseStationTracker::Take(char* line, bool useOwnTime, double now, double& time,
                                     char* reason, int size) {
    Message message;
    const MessageKind kind = Read(line, useOwnTime, now, message, reason, size);
    if (kind == MessageKind::Used) {
        Apply(message);
        time = message.time;
    }
    return kind;
}

// The bridge moves an aircraft on from a record's time by its track, speed and rate: the same
// move from the message's time to the stamp makes the record say where the aircraft was then.
bool BaseStationTracker::Place(const Aircraft& plane, double entryTime, Stamping stamping,
                               Placed& placed) {
    placed = {plane.latitude, plane.longitude, plane.altitudeMetres};
    if (stamping == Stamping::AsHeard) {
        return true;
    }
    if (!plane.hasSpeed || !plane.hasTrack) {
        return entryTime - plane.firstHeard >= kVelocityWaitSeconds;
    }
    const TrafficFix fix = {{plane.latitude, plane.longitude, plane.altitudeMetres},
                            plane.track,
                            plane.speed,
                            plane.hasRate ? plane.rate : 0.0};
    const GeodeticPosition moved = DeadReckoned(fix, entryTime - plane.positionTime);
    placed.latitude = moved.latitude;
    placed.longitude = moved.longitude;
    if (plane.altitudeTime >= 0) {
        placed.altitudeMetres = DeadReckoned(fix, entryTime - plane.altitudeTime).height;
    }
    return true;
}

int BaseStationTracker::OfferEntry(std::int64_t entryTime, double stale, EntryAssembler& assembler,
                                   Stamping stamping) {
    int offered = 0;
    char time[24], latitude[16], longitude[16], altitude[16], track[16], speed[16], rate[16];
    FormatBounded(time, sizeof time, "%lld", static_cast<long long>(entryTime));
    for (const auto& [key, plane] : aircraft) {
        const double age = static_cast<double>(entryTime) - plane.positionTime;
        Placed placed;
        if (plane.positionTime < 0 || age < 0 || age > stale ||
            !Place(plane, static_cast<double>(entryTime), stamping, placed) ||
            !assembler.InRegion(placed.latitude, placed.longitude)) {
            continue;
        }
        FormatBounded(latitude, sizeof latitude, "%.5f", placed.latitude);
        FormatBounded(longitude, sizeof longitude, "%.5f", placed.longitude);
        altitude[0] = track[0] = speed[0] = rate[0] = '\0';
        // On the surface since its last altitude: no height, as a recording has it on the ground.
        if (plane.altitudeTime >= 0 && plane.altitudeTime > plane.surfaceTime) {
            FormatBounded(altitude, sizeof altitude, "%.1f", placed.altitudeMetres);
        }
        if (plane.hasTrack) {
            FormatBounded(track, sizeof track, "%.1f", plane.track);
        }
        if (plane.hasSpeed) {
            FormatBounded(speed, sizeof speed, "%.2f", plane.speed);
        }
        if (plane.hasRate) {
            FormatBounded(rate, sizeof rate, "%.2f", plane.rate);
        }
        // BaseStation carries the barometric altitude only: the geometric field stays empty
        // rather than pass a pressure altitude off as a height above the ellipsoid.
        const char* const fields[kAircraftLineFields] = {plane.callsign[0] != '\0' ? plane.callsign
                                                                                   : plane.address,
                                                         plane.address,
                                                         time,
                                                         latitude,
                                                         longitude,
                                                         altitude,
                                                         "",
                                                         track,
                                                         speed,
                                                         rate};
        char line[kMaxAircraftLineLength + 1];
        int badField = 0;
        if (FormatAircraftLine(fields, line, badField) == AircraftLineResult::Written) {
            assembler.Offer(line, placed.latitude, placed.longitude);
            ++offered;
        }
    }
    return offered;
}

void BaseStationTracker::Forget(double now) {
    std::erase_if(aircraft, [now](const auto& item) {
        return now - item.second.heard > static_cast<double>(kForgetSeconds);
    });
}

int BaseStationTracker::WithPosition(double now, double stale) const {
    int count = 0;
    for (const auto& [key, plane] : aircraft) {
        count += plane.positionTime >= 0 && now - plane.positionTime <= stale ? 1 : 0;
    }
    return count;
}
