// Decides which recorded aircraft the visual system shows: holds the own-ship position and a
// view box of kViewBoxHalfSize degrees on each side of it, tests each aircraft line of the
// current data set against the box and keeps the aircraft inside it as AircraftRecords.
//
// Per request: SetOwnShipPosition, GetViewBox, then (when the reader reads an entry)
// ClearAircraft and ParseTrafficLine for each of its aircraft lines, then GetAircraftInView at
// the publication, which empties the table.
#pragma once

#include "shared_memory/AircraftRecord.h"
#include "traffic/QuickFilter.h"
#include "traffic/ViewBox.h"

#include <cstddef>
#include <cstdint>

inline constexpr char kTrafficAnalyserHeaderRevision[] =
    "%Z% TrafficAnalyser QX2120:02 TrafficAnalyser.h $Revision: 1.1 $";

inline constexpr double kViewBoxHalfSize = 0.6;
inline constexpr std::int32_t kAnalyserSlots = 50;
// One slot fewer than the table: the last slot takes, and loses, every aircraft beyond these.
inline constexpr std::int32_t kMaxInViewAircraft = 49;
// Separators split per aircraft line; the split yields up to kMaxLineFields + 1 fields.
inline constexpr std::int32_t kMaxLineFields = 16;

class TrafficAnalyser {
public:
    // Own-ship at 50.0 north, 0.0 east with its box; the table empty.
    TrafficAnalyser();

    void SetOwnShipPosition(double latitude, double longitude);
    void CalculateViewBox();
    // The box in shifted degrees (latitude + 90, longitude + 180).
    void GetViewBox(ViewBox& destination) const;
    // Degrees; a value outside its range counts as the nearest pole or the 180-degree meridian.
    // All four bounds belong to the box.
    bool IsInView(double latitude, double longitude) const;

    // Stores the aircraft when its position (fields 3 and 4) is in view. Once the table is
    // full, or when the position is plainly outside the box, the line is left as it is; any
    // other line is split at "|" in place. A line of fewer than two fields is ignored; fields a
    // shorter line lacks read as empty. Returns the number of aircraft held. `readable`: bytes
    // from `line` on that may be read, its terminator among them or not; kWideReadBytes or more
    // let the quick test read many at a time.
    std::int32_t ParseTrafficLine(char* line, std::size_t readable = 0);
    // Fills the next slot from the fields of one line (fieldCount of them; missing fields read
    // as empty). Once kMaxInViewAircraft are held, the overflow slot is overwritten instead.
    void StoreAircraft(char* const* fields, std::int32_t fieldCount);

    // Copies at most maxRecords of the aircraft held (a negative or null destination copies
    // none), then empties the table. Returns the number copied.
    std::int32_t GetAircraftInView(std::int32_t maxRecords, AircraftRecord* destination);
    void ClearAircraft();

    std::int32_t GetInViewCount() const { return inViewCount; }

private:
    std::int32_t inViewCount;
    AircraftRecord inViewAircraft[kAnalyserSlots];
    double ownShipLatitude;
    double ownShipLongitude;
    ViewBox box;
    // The box as floors of each coordinate, for the quick test of a line.
    PositionFloors floors;
};
