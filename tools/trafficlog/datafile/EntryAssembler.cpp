#include "tools/trafficlog/datafile/EntryAssembler.h"

#include <algorithm>
#include <cstring>

EntryAssembler::EntryAssembler(TrafficFileWriter& writer, const Region& region)
    : writer(writer), region(region) {
    if (region.IsSet()) {
        SetCentre(region.Centre());
    }
}

// The line fits: FormatAircraftLine made it no longer than a slot holds.
void EntryAssembler::CopyLine(Slot& slot, const char* line) {
    const std::size_t length = std::strlen(line);
    const std::size_t kept = length < sizeof slot.line ? length : sizeof slot.line - 1;
    std::memcpy(slot.line, line, kept);
    slot.line[kept] = '\0';
}

void EntryAssembler::SetCentre(GeoPoint point) {
    hasCentre = true;
    centre = point;
    centreVector = ToUnitVector(point.latitude, point.longitude);
}

void EntryAssembler::SetCentreFromHeld() {
    UnitVector sum;
    for (int i = 0; i < held; ++i) {
        const UnitVector v = ToUnitVector(slots[i].latitude, slots[i].longitude);
        sum = {sum.x + v.x, sum.y + v.y, sum.z + v.z};
    }
    SetCentre(PointOf(sum));
}

bool EntryAssembler::Start(std::int64_t time) {
    if (hasSnapshot) {
        if (!WriteSnapshot()) {
            return false;
        }
        CountStep(time - snapshotTime);
    }
    hasSnapshot = true;
    snapshotTime = time;
    offered = 0;
    return writer.BeginEntry();
}

bool EntryAssembler::Finish() {
    return !hasSnapshot || WriteSnapshot();
}

bool EntryAssembler::InRegion(double latitude, double longitude) {
    if (region.Contains(latitude, longitude)) {
        return true;
    }
    ++outsideRegion;
    return false;
}

bool EntryAssembler::Offer(const char* line, double latitude, double longitude) {
    ++offered;
    if (held < kMaxEntryAircraft) {
        if (static_cast<int>(slots.size()) == held) {
            slots.emplace_back();
        }
        Slot& slot = slots[held++];
        CopyLine(slot, line);
        slot.latitude = latitude;
        slot.longitude = longitude;
        slot.sequence = offered;
        return false;
    }
    const bool first = farthestFirst.empty();
    if (first) {
        StartKeepingNearest();
    }
    KeepIfNearer(line, latitude, longitude);
    return first;
}

// The entry is full: from here on a line comes in only in the place of a farther one.
void EntryAssembler::StartKeepingNearest() {
    if (!hasCentre) {
        SetCentreFromHeld();
    }
    farthestFirst.clear();
    for (int i = 0; i < held; ++i) {
        slots[i].distance =
            ChordSquared(centreVector, ToUnitVector(slots[i].latitude, slots[i].longitude));
        farthestFirst.push_back(i);
    }
    const auto farther = [this](int a, int b) { return slots[a].distance < slots[b].distance; };
    std::make_heap(farthestFirst.begin(), farthestFirst.end(), farther);
}

void EntryAssembler::KeepIfNearer(const char* line, double latitude, double longitude) {
    ++leftOut;
    const double distance = ChordSquared(centreVector, ToUnitVector(latitude, longitude));
    const auto farther = [this](int a, int b) { return slots[a].distance < slots[b].distance; };
    if (distance >= slots[farthestFirst.front()].distance) {
        return;
    }
    std::pop_heap(farthestFirst.begin(), farthestFirst.end(), farther);
    Slot& slot = slots[farthestFirst.back()];
    CopyLine(slot, line);
    slot.latitude = latitude;
    slot.longitude = longitude;
    slot.distance = distance;
    slot.sequence = offered;
    std::push_heap(farthestFirst.begin(), farthestFirst.end(), farther);
}

bool EntryAssembler::WriteSnapshot() {
    // Back into the order the lines came in: the first lines of the snapshot stand in their
    // slots in that order, and every line that took a farther one's slot came after them all.
    late.clear();
    for (int i = 0; i < held; ++i) {
        if (slots[i].sequence > kMaxEntryAircraft) {
            late.emplace_back(slots[i].sequence, i);
        }
    }
    std::sort(late.begin(), late.end());
    bool ok = true;
    for (int i = 0; i < held && ok; ++i) {
        if (slots[i].sequence <= kMaxEntryAircraft) {
            ok = writer.WriteFormattedLine(slots[i].line) == AircraftLineResult::Written;
        }
    }
    for (std::size_t i = 0; i < late.size() && ok; ++i) {
        ok = writer.WriteFormattedLine(slots[late[i].second].line) == AircraftLineResult::Written;
    }
    written += held;
    if (!hasCentre && held > 0) {
        SetCentreFromHeld();
    }
    held = 0;
    farthestFirst.clear();
    hasSnapshot = false;
    return ok && writer.EndEntry();
}

void EntryAssembler::CountStep(std::int64_t step) {
    for (StepCount& kind : steps) {
        if (kind.count == 0) {
            kind = {step, 1};
            return;
        }
        if (kind.step == step) {
            ++kind.count;
            return;
        }
    }
}

std::int64_t EntryAssembler::UsualStep() const {
    const StepCount* usual =
        std::max_element(std::begin(steps), std::end(steps),
                         [](const StepCount& a, const StepCount& b) { return a.count < b.count; });
    return usual->count > 0 ? usual->step : 0;
}
