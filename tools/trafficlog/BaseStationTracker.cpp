#include "tools/trafficlog/BaseStationTracker.h"

#include "config_control/ConfigControl.h"
#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/FieldText.h"
#include "tools/trafficlog/UtcTime.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:64 BaseStationTracker.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kBaseStationTrackerHeaderRevision, kRevision});
}

constexpr double kMetresPerFoot = 0.3048;
constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;
constexpr double kMetresPerSecondPerFootPerMinute = 0.3048 / 60.0;
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

bool IsAddress(const char* text) {
    const std::size_t length = std::strlen(text);
    return length > 0 && length <= 8 && ParseHex(text) != -1 && std::strstr(text, "0x") == nullptr;
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

MessageKind BaseStationTracker::Take(char* line, bool useOwnTime, double now, double& time,
                                     char* reason, int size) {
    RegisterModule();
    if (!IsBaseStationLine(line)) {
        FormatBounded(reason, size, "not a BaseStation message");
        return MessageKind::Bad;
    }
    char* fields[kMaxFields + 1] = {};
    const int count = SplitAtCharBounded(line, ",", fields, kMaxFields);
    if (std::strcmp(fields[MessageType], "MSG") != 0) {
        return MessageKind::Ignored;
    }
    const int type = std::atoi(fields[TransmissionType]);
    if (type != 1 && type != 3 && type != 4) {
        return MessageKind::Ignored;
    }
    if (count < FieldsNeeded(type)) {
        FormatBounded(reason, size, "MSG,%d with %d fields, %d needed", type, count,
                      FieldsNeeded(type));
        return MessageKind::Bad;
    }
    char shown[kShownSize];
    char* address = TrimField(fields[HexIdent]);
    if (!IsAddress(address)) {
        FormatBounded(reason, size, "address \"%s\" is not hexadecimal",
                      MaskControlsBounded(shown, address, kShownSize));
        return MessageKind::Bad;
    }
    time = now;
    std::int64_t generated = 0;
    if (useOwnTime) {
        if (!ParseUtcDateTime(fields[DateGenerated], fields[TimeGenerated], generated)) {
            FormatBounded(reason, size, "date and time \"%s %s\" are not a time",
                          MaskControlsBounded(shown, fields[DateGenerated], 12),
                          MaskControlsBounded(shown + 12, fields[TimeGenerated], 20));
            return MessageKind::Bad;
        }
        const char* fraction = std::strchr(fields[TimeGenerated], '.');
        time = static_cast<double>(generated) + (fraction != nullptr ? std::atof(fraction) : 0.0);
    }
    const std::uint32_t key = static_cast<std::uint32_t>(ParseHex(address));
    auto found = aircraft.find(key);
    if (found == aircraft.end() && aircraft.size() >= kMaxAircraft) {
        FormatBounded(reason, size, "more than %zu aircraft heard at once", kMaxAircraft);
        return MessageKind::Bad;
    }
    Aircraft scratch = found != aircraft.end() ? found->second : Aircraft{};
    if (!Apply(type, fields, scratch, time, reason, size)) {
        return MessageKind::Bad;
    }
    CopyBounded(scratch.address, address, sizeof scratch.address);
    scratch.heard = std::fmax(scratch.heard, time);
    aircraft[key] = scratch;
    return MessageKind::Used;
}

bool BaseStationTracker::Apply(int type, char** fields, Aircraft& plane, double time, char* reason,
                               int size) {
    char shown[kShownSize];
    if (type == 1) {
        char* callsign = TrimField(fields[Callsign]);
        if (CheckAircraftField(callsign) != AircraftLineResult::Written ||
            std::strlen(callsign) > 8) {
            FormatBounded(reason, size,
                          "callsign \"%s\" is longer than 8 characters or holds \"|\", \"#\" or "
                          "a control character",
                          MaskControlsBounded(shown, callsign, kShownSize));
            return false;
        }
        if (time >= plane.callsignTime) {
            plane.callsignTime = time;
            CopyBounded(plane.callsign, callsign, sizeof plane.callsign);
        }
        return true;
    }
    // Empty fields carry nothing; a field that holds something must be a number.
    double values[kMaxFields] = {};
    bool present[kMaxFields] = {};
    const int used[] = {Altitude, GroundSpeed, Track, Latitude, Longitude, VerticalRate};
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
    if (type == 3) {
        if (present[Latitude] != present[Longitude] ||
            (present[Latitude] &&
             (std::fabs(values[Latitude]) > 90.0 || std::fabs(values[Longitude]) > 180.0))) {
            FormatBounded(reason, size, "position out of range or half given");
            return false;
        }
        if (present[Altitude] && time >= plane.altitudeTime) {
            plane.altitudeTime = time;
            plane.altitudeMetres = values[Altitude] * kMetresPerFoot;
        }
        if (present[Latitude] && time >= plane.positionTime) {
            plane.positionTime = time;
            plane.latitude = values[Latitude];
            plane.longitude = values[Longitude];
            latestPosition = std::fmax(latestPosition, time);
        }
        return true;
    }
    if (time >= plane.velocityTime) {
        plane.velocityTime = time;
        plane.hasSpeed = present[GroundSpeed];
        plane.hasTrack = present[Track];
        plane.hasRate = present[VerticalRate];
        plane.speed = values[GroundSpeed] * kMetresPerSecondPerKnot;
        plane.track = values[Track];
        plane.rate = values[VerticalRate] * kMetresPerSecondPerFootPerMinute;
    }
    return true;
}

int BaseStationTracker::OfferEntry(std::int64_t entryTime, double stale,
                                   EntryAssembler& assembler) {
    int offered = 0;
    char time[24], latitude[16], longitude[16], altitude[16], track[16], speed[16], rate[16];
    FormatBounded(time, sizeof time, "%lld", static_cast<long long>(entryTime));
    for (const auto& [key, plane] : aircraft) {
        const double age = static_cast<double>(entryTime) - plane.positionTime;
        if (plane.positionTime < 0 || age < 0 || age > stale ||
            !assembler.InRegion(plane.latitude, plane.longitude)) {
            continue;
        }
        FormatBounded(latitude, sizeof latitude, "%.5f", plane.latitude);
        FormatBounded(longitude, sizeof longitude, "%.5f", plane.longitude);
        altitude[0] = track[0] = speed[0] = rate[0] = '\0';
        if (plane.altitudeTime >= 0) {
            FormatBounded(altitude, sizeof altitude, "%.1f", plane.altitudeMetres);
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
        // BaseStation has one altitude, the barometric one; it stands for both.
        const char* const fields[kAircraftLineFields] = {plane.callsign[0] != '\0' ? plane.callsign
                                                                                   : plane.address,
                                                         plane.address,
                                                         time,
                                                         latitude,
                                                         longitude,
                                                         altitude,
                                                         altitude,
                                                         track,
                                                         speed,
                                                         rate};
        char line[kMaxAircraftLineLength + 1];
        int badField = 0;
        if (FormatAircraftLine(fields, line, badField) == AircraftLineResult::Written) {
            assembler.Offer(line, plane.latitude, plane.longitude);
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
