#include "traffic/TrafficAnalyser.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"
#include "traffic/Clamp.h"
#include "traffic/DecimalText.h"
#include "traffic/QuickFilter.h"

#include <algorithm>

static const char kTrafficAnalyserSourceRevision[] =
    "%Z% TrafficAnalyser QX2120:01 TrafficAnalyser.cpp $Revision: 1.1 $";

namespace {

constexpr double kDefaultLatitude = 50.0;
constexpr double kDefaultLongitude = 0.0;
// The box is kept in shifted degrees so that both coordinates run from 0 upwards.
constexpr double kLatitudeShift = 90.0;
constexpr double kLatitudeRange = 180.0;
constexpr double kLongitudeShift = 180.0;
constexpr double kLongitudeRange = 360.0;

constexpr char kFieldSeparator[] = "|";
constexpr int kCallsignSize = 9; // 8 characters and the terminator

enum LineField {
    kCallsignField = 0,
    kAddressField = 1,
    kPositionTimeField = 2,
    kLatitudeField = 3,
    kLongitudeField = 4,
    kBaroAltitudeField = 5,
    kGeoAltitudeField = 6,
    kTrackField = 7,
    kGroundSpeedField = 8,
    kVerticalRateField = 9,
};
// Separators split to reach the position: the fields up to the longitude, and the rest.
constexpr std::int32_t kPositionSplits = kLongitudeField + 1;

ModuleRevisions revisions{
    "TrafficAnalyser",          kTrafficAnalyserHeaderRevision, kTrafficAnalyserSourceRevision,
    kViewBoxHeaderRevision,     kClampHeaderRevision,           kClampSourceRevision,
    kDecimalTextHeaderRevision, kDecimalTextSourceRevision,     kQuickFilterHeaderRevision,
    kQuickFilterSourceRevision};

double ShiftedLatitude(double latitude) {
    return ClampDouble(0.0, latitude + kLatitudeShift, kLatitudeRange);
}

double ShiftedLongitude(double longitude) {
    return ClampDouble(0.0, longitude + kLongitudeShift, kLongitudeRange);
}

// A field the split did not produce reads as empty.
const char* FieldText(char* const* fields, std::int32_t fieldCount, LineField field) {
    return field < fieldCount ? fields[field] : "";
}

double FieldNumber(char* const* fields, std::int32_t fieldCount, LineField field) {
    return ParseDecimal(FieldText(fields, fieldCount, field));
}

std::int32_t AddressFromField(char* const* fields, std::int32_t fieldCount) {
    if (kAddressField >= fieldCount) {
        return ParseHex("");
    }
    return ParseHex(RemoveChar(fields[kAddressField], '"'));
}

} // namespace

TrafficAnalyser::TrafficAnalyser()
    : inViewCount(0), inViewAircraft{}, ownShipLatitude(0.0),
      ownShipLongitude(0.0), box{}, floors{} {
    revisions.Register();
    SetOwnShipPosition(kDefaultLatitude, kDefaultLongitude);
}

void TrafficAnalyser::SetOwnShipPosition(double latitude, double longitude) {
    ownShipLatitude = latitude;
    ownShipLongitude = longitude;
    CalculateViewBox();
}

void TrafficAnalyser::CalculateViewBox() {
    const double latitude = ShiftedLatitude(ownShipLatitude);
    const double longitude = ShiftedLongitude(ownShipLongitude);
    box.topLatitude = ClampDouble(0.0, latitude + kViewBoxHalfSize, kLatitudeRange);
    box.bottomLatitude = ClampDouble(0.0, latitude - kViewBoxHalfSize, kLatitudeRange);
    box.leftLongitude = ClampDouble(0.0, longitude - kViewBoxHalfSize, kLongitudeRange);
    box.rightLongitude = ClampDouble(0.0, longitude + kViewBoxHalfSize, kLongitudeRange);
    floors.latitude =
        FloorsInside(kLatitudeShift, box.bottomLatitude, box.topLatitude, kLatitudeRange);
    floors.longitude =
        FloorsInside(kLongitudeShift, box.leftLongitude, box.rightLongitude, kLongitudeRange);
}

void TrafficAnalyser::GetViewBox(ViewBox& destination) const {
    destination = box;
}

bool TrafficAnalyser::IsInView(double latitude, double longitude) const {
    const double shiftedLatitude = ShiftedLatitude(latitude);
    const double shiftedLongitude = ShiftedLongitude(longitude);
    return !(shiftedLatitude > box.topLatitude || shiftedLatitude < box.bottomLatitude ||
             shiftedLongitude < box.leftLongitude || shiftedLongitude > box.rightLongitude);
}

// Only the position decides. A line the quick test settles is left as it is; otherwise the
// fields after the position are split only for an aircraft in view. Splitting in two steps
// places the same separators as one split of kMaxLineFields.
std::int32_t TrafficAnalyser::ParseTrafficLine(char* line, std::size_t readable) {
    // With the table full, a further aircraft in view could only overwrite the overflow slot, and
    // GetAircraftInView copies no more than the count held, which stops short of that slot: no
    // further line can change what is handed out, so none is looked at (nor split).
    if (inViewCount == kMaxInViewAircraft) {
        return inViewCount;
    }
    if (line != nullptr && IsClearlyOutside(line, readable, floors)) {
        return inViewCount;
    }
    char* fields[kMaxLineFields + 1];
    std::int32_t fieldCount = SplitAtCharBounded(line, kFieldSeparator, fields, kPositionSplits);
    if (fieldCount < 2) {
        return inViewCount;
    }
    const double latitude = FieldNumber(fields, fieldCount, kLatitudeField);
    const double longitude = FieldNumber(fields, fieldCount, kLongitudeField);
    if (!IsInView(latitude, longitude)) {
        return inViewCount;
    }
    if (fieldCount == kPositionSplits + 1) {
        fieldCount +=
            SplitAtCharBounded(fields[kPositionSplits], kFieldSeparator, fields + kPositionSplits,
                               kMaxLineFields - kPositionSplits) -
            1;
    }
    StoreAircraft(fields, fieldCount);
    return inViewCount;
}

void TrafficAnalyser::StoreAircraft(char* const* fields, std::int32_t fieldCount) {
    if (fields == nullptr) {
        fieldCount = 0;
    }
    AircraftRecord& record = inViewAircraft[inViewCount];
    record.latitude = FieldNumber(fields, fieldCount, kLatitudeField);
    record.longitude = FieldNumber(fields, fieldCount, kLongitudeField);
    record.baroAltitude = FieldNumber(fields, fieldCount, kBaroAltitudeField);
    record.geoAltitude = FieldNumber(fields, fieldCount, kGeoAltitudeField);
    record.track = FieldNumber(fields, fieldCount, kTrackField);
    record.groundSpeed = FieldNumber(fields, fieldCount, kGroundSpeedField);
    record.verticalRate = FieldNumber(fields, fieldCount, kVerticalRateField);
    record.positionTime = ParseDecimalInteger(FieldText(fields, fieldCount, kPositionTimeField));
    record.icaoAddress = AddressFromField(fields, fieldCount);
    CopyBounded(record.callsign, FieldText(fields, fieldCount, kCallsignField), kCallsignSize);
    if (inViewCount < kMaxInViewAircraft) {
        ++inViewCount;
    }
}

std::int32_t TrafficAnalyser::GetAircraftInView(std::int32_t maxRecords,
                                                AircraftRecord* destination) {
    std::int32_t count = std::clamp(maxRecords, 0, inViewCount);
    if (destination == nullptr) {
        count = 0;
    }
    std::copy_n(inViewAircraft, count, destination);
    ClearAircraft();
    return count;
}

void TrafficAnalyser::ClearAircraft() {
    // Only the held records and the slot behind them (the overflow slot once all are held) were
    // written since the last clear; the frame cycle clears at every request.
    std::fill_n(inViewAircraft, std::min(inViewCount + 1, kAnalyserSlots), AircraftRecord{});
    inViewCount = 0;
}
