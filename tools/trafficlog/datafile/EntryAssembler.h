// Turns snapshots of aircraft lines into the entries of a data file: keeps the aircraft of the
// region, and when a snapshot holds more than an entry may (6999 lines) the nearest to the
// region's centre (without a region, to the mean position of the first snapshot), written in the
// order they came. Memory is one entry's worth of lines, whatever the snapshot holds.
#pragma once

#include "tools/trafficlog/datafile/Region.h"
#include "tools/trafficlog/datafile/TrafficFileWriter.h"

#include <cstdint>
#include <utility>
#include <vector>

class EntryAssembler {
public:
    // Both must outlive the assembler.
    EntryAssembler(TrafficFileWriter& writer, const Region& region);

    bool HasSnapshot() const { return hasSnapshot; }
    std::int64_t SnapshotTime() const { return snapshotTime; }
    // Writes the open snapshot as an entry and opens one for `time`. False when the writing
    // fails (the writer's report says why).
    bool Start(std::int64_t time);
    // Writes the open snapshot, if any.
    bool Finish();

    // Counts the aircraft outside the region; true for those inside.
    bool InRegion(double latitude, double longitude);
    // A line made by FormatAircraftLine, at its position. True when this line is the first of
    // the snapshot that does not fit (reported once per entry).
    bool Offer(const char* line, double latitude, double longitude);

    std::int64_t OutsideRegion() const { return outsideRegion; }
    // Aircraft left out of full entries for nearer ones.
    std::int64_t LeftOut() const { return leftOut; }
    std::int64_t Written() const { return written; }
    bool HasCentre() const { return hasCentre; }
    GeoPoint Centre() const { return centre; }
    // The step between snapshots that came most often, 0 before a second snapshot.
    std::int64_t UsualStep() const;

private:
    struct Slot {
        char line[kMaxAircraftLineLength + 1];
        double latitude;
        double longitude;
        double distance;
        std::int64_t sequence;
    };
    struct StepCount {
        std::int64_t step;
        std::int64_t count;
    };
    static constexpr int kStepKinds = 16;

    static void CopyLine(Slot& slot, const char* line);
    void SetCentre(GeoPoint point);
    void SetCentreFromHeld();
    void StartKeepingNearest();
    void KeepIfNearer(const char* line, double latitude, double longitude);
    bool WriteSnapshot();
    void CountStep(std::int64_t step);

    TrafficFileWriter& writer;
    const Region& region;
    std::vector<Slot> slots;
    std::vector<int> farthestFirst;                 // a heap of slot numbers once the entry is full
    std::vector<std::pair<std::int64_t, int>> late; // sequence and slot of lines that came late
    int held = 0;
    std::int64_t offered = 0; // lines of the open snapshot
    bool hasSnapshot = false;
    std::int64_t snapshotTime = 0;
    bool hasCentre = false;
    GeoPoint centre;
    UnitVector centreVector;
    std::int64_t outsideRegion = 0;
    std::int64_t leftOut = 0;
    std::int64_t written = 0;
    StepCount steps[kStepKinds] = {};
};
