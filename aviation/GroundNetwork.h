#pragma once
// An airport's taxiways and parkings as a simulator's ground network has them: points (taxiway
// nodes and parkings, in one index space), the arcs between them (one per direction of travel)
// and each parking's heading and radius. Asked where on the taxiways a taxiing aircraft is and
// which way the taxiway runs there, and which parking an aircraft stands in.

#include "aviation/Geodesy.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

// A taxiing aircraft is put on the nearest arc within this distance.
inline constexpr double kTaxiSnapMetres = 25.0;

struct ParkingSpot {
    double latitude;
    double longitude;
    double heading; // degrees true, the way an aircraft parked there points
    double radius;  // metres
};

struct TaxiSnap {
    double latitude;
    double longitude;
    double heading;  // degrees true, along the arc the way the aircraft goes
    double distance; // metres the aircraft was moved
};

class GroundNetwork {
public:
    void AddNode(std::int64_t index, double latitude, double longitude);
    void AddParking(std::int64_t index, const ParkingSpot& parking);
    void AddArc(std::int64_t begin, std::int64_t end);
    // Makes the network ready to ask; the number of arcs left out, as an end names no point.
    int Finish();

    std::size_t NodeCount() const { return nodeCount; }
    std::size_t ParkingCount() const { return parkings.size(); }
    std::size_t ArcCount() const { return arcs.size(); }

    // The aircraft at the point, going along `track`, put on the nearest arc within
    // kTaxiSnapMetres; none when no arc is that near.
    std::optional<TaxiSnap> Snap(double latitude, double longitude, double track) const;
    // The parking whose radius the point lies in (the nearest, when several); none outside all.
    const ParkingSpot* ParkingAt(double latitude, double longitude) const;

private:
    struct Flat {
        double east;
        double north;
    };
    struct Arc {
        Flat from;
        Flat to;
    };
    Flat ToFlat(double latitude, double longitude) const;
    void FillGrid();
    const std::vector<std::int32_t>* CellAt(const Flat& point) const;

    std::unordered_map<std::int64_t, GeodeticPosition> points;
    std::vector<std::pair<std::int64_t, std::int64_t>> pendingArcs;
    std::vector<ParkingSpot> parkings;
    std::vector<Arc> arcs;
    std::size_t nodeCount = 0;
    // Arcs are looked up in a grid of square cells over the flat frame at `origin`; each cell
    // lists the arcs that pass within kTaxiSnapMetres of it.
    GeodeticPosition origin{};
    Flat low{};
    double cell = 0; // metres
    int columns = 0;
    int rows = 0;
    std::vector<std::vector<std::int32_t>> cells;
    std::vector<std::int32_t> longArcs; // looked at in every lookup
};
