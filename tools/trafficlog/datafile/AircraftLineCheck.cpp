#include "tools/trafficlog/datafile/AircraftLineCheck.h"

#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/datafile/FlightValueText.h"
#include "tools/trafficlog/datafile/PlainFields.h"
#include "tools/trafficlog/input/PhysicalLineReader.h"
#include "traffic/DataSetReader.h"
#include "traffic/FieldReading.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
// Every aircraft line of a checked file comes here: after the first call, one load.

// Room for a field as the checker quotes it, and the words around it.
constexpr int kTextSize = PhysicalLineReader::kHeadSize + 256;

constexpr char kUnreadableAddress[] = "the feeder stores -1, the mark of an unreadable address";

void FieldCount(int count, LineFindingSink& findings) {
    if (count >= kAircraftLineFields) {
        return;
    }
    char text[kTextSize];
    FormatBounded(text, kTextSize, "%d %s, %d expected: %s", count, count == 1 ? "field" : "fields",
                  kAircraftLineFields,
                  count < 2 ? "the feeder counts the line but shows no aircraft"
                            : "the fields missing read as 0");
    findings.LineFinding(CheckFault::TooFewFields, text);
}

void Address(char* field, LineFindingSink& findings) {
    // The reading takes the quotes out in place; the finding quotes the field as written.
    char quoted[kLineBufferSize];
    const bool hasQuotes = std::strchr(field, '"') != nullptr;
    if (hasQuotes) {
        CopyBounded(quoted, field, sizeof quoted);
    }
    const char* written = hasQuotes ? quoted : field;
    const IntegerReading address = ReadAddressField(field);
    char consequence[kTextSize];
    switch (address.form) {
    case FieldForm::NotHex:
        findings.FieldFinding(CheckFault::AddressNotHex, 1, written, kUnreadableAddress);
        break;
    case FieldForm::NoNumber:
        findings.FieldFinding(CheckFault::AddressNotHex, 1, written,
                              "no digits: the feeder stores 0");
        break;
    case FieldForm::Partial:
        FormatBounded(consequence, kTextSize, "the feeder reads only what follows \"0x\", %X",
                      static_cast<unsigned>(address.value));
        findings.FieldFinding(CheckFault::AddressNotHex, 1, written, consequence);
        break;
    case FieldForm::OutOfRange:
        if (address.value == -1) {
            FormatBounded(consequence, kTextSize, "over 18 characters: %s", kUnreadableAddress);
        } else {
            FormatBounded(consequence, kTextSize,
                          "more than 8 digits: the feeder keeps the last 8, %08X",
                          static_cast<unsigned>(address.value));
        }
        findings.FieldFinding(CheckFault::AddressOutOfRange, 1, written, consequence);
        break;
    case FieldForm::Negative:
        FormatBounded(consequence, kTextSize,
                      "over 7FFFFFFF: the feeder stores the negative number %d", address.value);
        findings.FieldFinding(CheckFault::AddressOutOfRange, 1, written, consequence);
        break;
    default:
        break;
    }
}

void Time(const char* field, LineFindingSink& findings) {
    const IntegerReading time = ReadTimeField(field);
    char consequence[kTextSize];
    switch (time.form) {
    case FieldForm::NoNumber:
        findings.FieldFinding(CheckFault::NumberMisread, kTimeField, field, "the feeder reads 0");
        break;
    case FieldForm::Partial:
        FormatBounded(consequence, kTextSize, "the feeder reads %d and ignores the rest",
                      time.value);
        findings.FieldFinding(CheckFault::NumberMisread, kTimeField, field, consequence);
        break;
    case FieldForm::OutOfRange:
        FormatBounded(consequence, kTextSize, "beyond the 32-bit range: the feeder clamps it to %d",
                      time.value);
        findings.FieldFinding(CheckFault::TimeOutOfRange, kTimeField, field, consequence);
        break;
    default:
        break;
    }
}

// What the feeder reads from a decimal field; false when it reads it as written.
bool MisreadNumber(const NumberReading& number, char* consequence, int size) {
    switch (number.form) {
    case FieldForm::Empty:
    case FieldForm::NoNumber:
    case FieldForm::NotFinite:
        FormatBounded(consequence, size, "the feeder reads 0");
        return true;
    case FieldForm::Partial:
        FormatBounded(consequence, size, "the feeder reads %g and ignores the rest", number.value);
        return true;
    default:
        return false;
    }
}

// An empty coordinate is a finding too: unlike an unknown altitude it places the aircraft.
void Coordinate(int field, const char* text, LineFindingSink& findings) {
    const double limit = kPlainValueRange[field - kLatitudeField].high;
    if (IsPlainNumberWithin(text, -limit, limit)) {
        return;
    }
    const NumberReading coordinate = ReadNumberField(text);
    char consequence[kTextSize];
    if (coordinate.form == FieldForm::NotFinite) {
        findings.FieldFinding(CheckFault::PositionNotShown, field, text,
                              "not a finite number: the feeder never shows this aircraft");
    } else if (MisreadNumber(coordinate, consequence, kTextSize)) {
        findings.FieldFinding(CheckFault::PositionNotNumeric, field, text, consequence);
    }
    if (std::fabs(coordinate.value) > limit) {
        FormatBounded(consequence, kTextSize, "beyond %g degrees: the feeder takes it as %s", limit,
                      field == kLatitudeField ? "the nearest pole" : "the 180-degree meridian");
        findings.FieldFinding(CheckFault::PositionOutOfRange, field, text, consequence);
    }
}

// The feeder's client moves an aircraft forward by its speeds: values no aircraft flies throw
// it off the Earth.
void Flyable(int field, const char* text, double value, LineFindingSink& findings) {
    FlightValue kind = FlightValue::Height;
    if (field == kGroundSpeedField) {
        kind = FlightValue::GroundSpeed;
    } else if (field == kVerticalRateField) {
        kind = FlightValue::VerticalRate;
    } else if (field == kTrackField) {
        return;
    }
    char reason[kTextSize];
    if (IsUnflyable(kind, nullptr, value, reason, kTextSize)) {
        findings.FieldFinding(CheckFault::NotFlyable, field, text, reason);
    }
}
// Altitudes, track, speed and vertical rate: empty is an unknown value and reads as 0. A plain
// number within what an aircraft flies is settled at once; every other text is read in full.
void Measure(int field, const char* text, LineFindingSink& findings) {
    const ValueRange& range = kPlainValueRange[field - kLatitudeField];
    if (IsPlainNumberWithin(text, range.low, range.high)) {
        return;
    }
    const NumberReading measure = ReadNumberField(text);
    char consequence[kTextSize];
    if (measure.form != FieldForm::Empty && MisreadNumber(measure, consequence, kTextSize)) {
        findings.FieldFinding(CheckFault::NumberMisread, field, text, consequence);
    }
    if (measure.form == FieldForm::Exact || measure.form == FieldForm::Partial) {
        Flyable(field, text, measure.value, findings);
    }
}

} // namespace

void CheckAircraftFields(char** fields, int count, LineFindingSink& findings) {
    FieldCount(count, findings);
    if (count < 2) {
        return;
    }
    if (HoldsTerminalControl(fields[0])) {
        findings.FieldFinding(
            CheckFault::ControlCharacters, 0, fields[0],
            "the feeder masks the control characters on its screen, but the visual "
            "system gets them as they are");
    }
    Address(fields[1], findings);
    if (count > kTimeField) {
        Time(fields[kTimeField], findings);
    }
    if (count > kLongitudeField) {
        Coordinate(kLatitudeField, fields[kLatitudeField], findings);
        Coordinate(kLongitudeField, fields[kLongitudeField], findings);
    } else {
        findings.LineFinding(CheckFault::PositionNotNumeric,
                             "no position: the feeder reads it as 0, 0");
    }
    for (int field = kFirstMeasureField; field < std::min(count, kAircraftLineFields); ++field) {
        Measure(field, fields[field], findings);
    }
}
