#include "aviation/GroundNetwork.h"

#include <algorithm>
#include <cmath>

namespace {
// Cells of the arc grid: no smaller than this, and no more than kMostCells along a side (a
// network that spans many kilometres gets larger cells).
constexpr double kLeastCell = 50.0; // metres
constexpr double kMostCells = 256;
// An arc that would be listed in more cells than this (a long one, or a network file's broken
// coordinates) is listed once among the arcs every lookup looks at: a file of long arcs must
// not fill the memory.
constexpr long long kMostCellsPerArc = 256;
} // namespace

void GroundNetwork::AddNode(std::int64_t index, double latitude, double longitude) {
    if (points.emplace(index, GeodeticPosition{latitude, longitude, 0}).second) {
        ++nodeCount;
    }
}

void GroundNetwork::AddParking(std::int64_t index, const ParkingSpot& parking) {
    points[index] = {parking.latitude, parking.longitude, 0};
    parkings.push_back(parking);
}

void GroundNetwork::AddArc(std::int64_t begin, std::int64_t end) {
    pendingArcs.emplace_back(begin, end);
}

GroundNetwork::Flat GroundNetwork::ToFlat(double latitude, double longitude) const {
    const LocalOffset offset = OffsetBetween(origin, {latitude, longitude, 0});
    return {offset.east, offset.north};
}

int GroundNetwork::Finish() {
    if (!points.empty()) {
        origin = points.begin()->second;
    }
    int dropped = 0;
    for (const auto& [begin, end] : pendingArcs) {
        const auto from = points.find(begin);
        const auto to = points.find(end);
        if (from == points.end() || to == points.end()) {
            ++dropped;
            continue;
        }
        arcs.push_back({ToFlat(from->second.latitude, from->second.longitude),
                        ToFlat(to->second.latitude, to->second.longitude)});
    }
    pendingArcs.clear();
    pendingArcs.shrink_to_fit();
    FillGrid();
    return dropped;
}

void GroundNetwork::FillGrid() {
    cells.clear();
    longArcs.clear();
    columns = rows = 0;
    if (arcs.empty()) {
        return;
    }
    Flat high = arcs.front().from;
    low = high;
    for (const Arc& arc : arcs) {
        for (const Flat& p : {arc.from, arc.to}) {
            low = {std::min(low.east, p.east), std::min(low.north, p.north)};
            high = {std::max(high.east, p.east), std::max(high.north, p.north)};
        }
    }
    low = {low.east - kTaxiSnapMetres, low.north - kTaxiSnapMetres};
    high = {high.east + kTaxiSnapMetres, high.north + kTaxiSnapMetres};
    cell = std::max(
        {kLeastCell, (high.east - low.east) / kMostCells, (high.north - low.north) / kMostCells});
    columns = static_cast<int>((high.east - low.east) / cell) + 1;
    rows = static_cast<int>((high.north - low.north) / cell) + 1;
    cells.assign(static_cast<std::size_t>(columns) * rows, {});
    for (std::size_t i = 0; i < arcs.size(); ++i) {
        const Arc& arc = arcs[i];
        const auto column = [this](double east) {
            return static_cast<int>((east - low.east) / cell);
        };
        const auto row = [this](double north) {
            return static_cast<int>((north - low.north) / cell);
        };
        const int west = column(std::min(arc.from.east, arc.to.east) - kTaxiSnapMetres);
        const int east = column(std::max(arc.from.east, arc.to.east) + kTaxiSnapMetres);
        const int south = row(std::min(arc.from.north, arc.to.north) - kTaxiSnapMetres);
        const int north = row(std::max(arc.from.north, arc.to.north) + kTaxiSnapMetres);
        if (static_cast<long long>(east - west + 1) * (north - south + 1) > kMostCellsPerArc) {
            longArcs.push_back(static_cast<std::int32_t>(i));
            continue;
        }
        for (int r = std::max(south, 0); r <= std::min(north, rows - 1); ++r) {
            for (int c = std::max(west, 0); c <= std::min(east, columns - 1); ++c) {
                cells[static_cast<std::size_t>(r) * columns + c].push_back(
                    static_cast<std::int32_t>(i));
            }
        }
    }
}

const std::vector<std::int32_t>* GroundNetwork::CellAt(const Flat& point) const {
    const double column = std::floor((point.east - low.east) / cell);
    const double row = std::floor((point.north - low.north) / cell);
    if (!(column >= 0 && column < columns && row >= 0 && row < rows)) {
        return nullptr;
    }
    return &cells[static_cast<std::size_t>(row) * columns + static_cast<std::size_t>(column)];
}

std::optional<TaxiSnap> GroundNetwork::Snap(double latitude, double longitude, double track) const {
    const Flat p = ToFlat(latitude, longitude);
    double best = kTaxiSnapMetres;
    const Arc* nearest = nullptr;
    Flat on{};
    const auto look = [&](const std::vector<std::int32_t>& list) {
        for (const std::int32_t i : list) {
            const Arc& arc = arcs[i];
            const Flat d{arc.to.east - arc.from.east, arc.to.north - arc.from.north};
            const double length2 = d.east * d.east + d.north * d.north;
            if (length2 <= 0) {
                continue;
            }
            const double t = std::clamp(
                ((p.east - arc.from.east) * d.east + (p.north - arc.from.north) * d.north) /
                    length2,
                0.0, 1.0);
            const Flat q{arc.from.east + t * d.east, arc.from.north + t * d.north};
            const double distance = std::hypot(p.east - q.east, p.north - q.north);
            if (distance <= best) {
                best = distance;
                nearest = &arc;
                on = q;
            }
        }
    };
    if (const std::vector<std::int32_t>* near = CellAt(p)) {
        look(*near);
    }
    look(longArcs);
    if (nearest == nullptr) {
        return std::nullopt;
    }
    double heading =
        std::atan2(nearest->to.east - nearest->from.east, nearest->to.north - nearest->from.north) *
        kDegrees;
    // Arcs come one for each way a taxiway is used; where only one is given, the aircraft may
    // still go the other way.
    if (std::fabs(std::remainder(track - heading, 360.0)) > 90) {
        heading += 180;
    }
    const GeodeticPosition snapped = Displaced(origin, {on.north, on.east, 0});
    return TaxiSnap{snapped.latitude, snapped.longitude, std::fmod(heading + 360.0, 360.0), best};
}

const ParkingSpot* GroundNetwork::ParkingAt(double latitude, double longitude) const {
    const ParkingSpot* found = nullptr;
    double best = 0;
    for (const ParkingSpot& parking : parkings) {
        const LocalOffset offset =
            OffsetBetween({latitude, longitude, 0}, {parking.latitude, parking.longitude, 0});
        const double distance = std::hypot(offset.north, offset.east);
        if (distance <= parking.radius && (found == nullptr || distance < best)) {
            found = &parking;
            best = distance;
        }
    }
    return found;
}
