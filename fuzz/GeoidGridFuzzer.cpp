// A geoid grid file of any bytes, as the bridge reads the one the user names. A grid is taken
// only when its header fits the file's size and the earth; once taken, it answers every position
// with a finite undulation between the least and the greatest of its values, or with nothing;
// it answers nothing beyond its rows and, unless it closes the circle of longitude, beyond its
// columns; a grid without a point lacking a value answers every position within its range; and
// read in pieces, as the bridge reads a file, the same bytes make the same grid.
#include "aviation/Geoid.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace {

constexpr std::size_t kHeaderSize = 40;
constexpr int kMaxNodesAsked = 64;
// Positions are computed in degrees and the grid turns them back into steps: with steps of a
// thousandth of a degree or more (any real grid has a minute or more) the rounding stays far
// inside the grid's own tolerance at its edges.
constexpr double kLeastExactStep = 1e-3;

std::uint64_t BigEndian(std::span<const std::uint8_t> bytes) {
    std::uint64_t value = 0;
    for (const std::uint8_t byte : bytes) {
        value = value << 8 | byte;
    }
    return value;
}

// The grid as the file's form describes it, read here on its own.
struct Layout {
    double south = 0;
    double west = 0;
    double latitudeStep = 0;
    double longitudeStep = 0;
    std::int32_t rows = 0;
    std::int32_t columns = 0;
    bool holes = false; // a point without a value (PROJ's mark, NaN, an infinity)
    double least = INFINITY;
    double greatest = -INFINITY;

    explicit Layout(std::span<const std::uint8_t> file) {
        const auto number = [&file](std::size_t at) {
            return std::bit_cast<double>(BigEndian(file.subspan(at, 8)));
        };
        south = number(0);
        west = number(8);
        latitudeStep = number(16);
        longitudeStep = number(24);
        rows = static_cast<std::int32_t>(BigEndian(file.subspan(32, 4)));
        columns = static_cast<std::int32_t>(BigEndian(file.subspan(36, 4)));
        for (std::size_t at = kHeaderSize; at + 4 <= file.size(); at += 4) {
            const double value =
                std::bit_cast<float>(static_cast<std::uint32_t>(BigEndian(file.subspan(at, 4))));
            if (!std::isfinite(value) || std::fabs(value - -88.8888) < 1e-3) {
                holes = true;
            } else {
                least = std::min(least, value);
                greatest = std::max(greatest, value);
            }
        }
    }
    double North() const { return south + (rows - 1) * latitudeStep; }
    double East() const { return west + (columns - 1) * longitudeStep; }
    bool Wraps() const { return std::fabs(columns * longitudeStep - 360.0) < longitudeStep / 2; }
    bool Exact() const {
        return latitudeStep >= kLeastExactStep && longitudeStep >= kLeastExactStep &&
               std::fabs(south) <= 90.0 && std::fabs(west) <= 360.0;
    }
};

void CheckAnswer(const GeoidGrid& grid, const Layout& layout, double latitude, double longitude) {
    const std::optional<double> n = grid.Undulation(latitude, longitude);
    if (n.has_value()) {
        FUZZ_CHECK(std::isfinite(*n));
        const double slack = 1e-6 * std::max({1.0, std::fabs(layout.least), layout.greatest});
        FUZZ_CHECK(*n >= layout.least - slack && *n <= layout.greatest + slack);
    }
    const double outside = 1e-6 * layout.latitudeStep;
    if (latitude < layout.south - outside || latitude > layout.North() + outside) {
        FUZZ_CHECK(!n.has_value());
    }
    if (!layout.Wraps() && (longitude < layout.west - 1e-6 * layout.longitudeStep ||
                            longitude > layout.East() + 1e-6 * layout.longitudeStep)) {
        FUZZ_CHECK(!n.has_value());
    }
}

// A position within the range, `up` and `east` its fractions of the rows and columns.
void CheckInside(const GeoidGrid& grid, const Layout& layout, double up, double east) {
    const double latitude = layout.south + up * (layout.rows - 1) * layout.latitudeStep;
    const double longitude = layout.west + east * (layout.columns - 1) * layout.longitudeStep;
    CheckAnswer(grid, layout, latitude, longitude);
    if (!layout.holes && layout.Exact()) {
        FUZZ_CHECK(grid.Undulation(latitude, longitude).has_value());
    }
}

void CheckGrid(const GeoidGrid& grid, std::span<const std::uint8_t> file, FuzzInput& positions) {
    const Layout layout(file);
    FUZZ_CHECK(grid.IsLoaded() && layout.rows >= 1 && layout.columns >= 1);
    // The counts add up: every point of the header's grid, and nothing else, is in the file.
    FUZZ_CHECK(file.size() - kHeaderSize == 4ull * layout.rows * layout.columns);
    FUZZ_CHECK(layout.south >= -90.0 - 1e-9 && layout.North() <= 90.0 + 1e-9);
    // The nodes, the middles of the cells and the corners, as many as are asked.
    const int nodes = std::min(layout.rows * layout.columns, kMaxNodesAsked);
    for (int i = 0; i < nodes; ++i) {
        const double up =
            layout.rows > 1 ? static_cast<double>(i % layout.rows) / (layout.rows - 1) : 0.0;
        const double east = layout.columns > 1
                                ? static_cast<double>(i % layout.columns) / (layout.columns - 1)
                                : 0.0;
        CheckInside(grid, layout, up, east);
        CheckInside(grid, layout, up * 0.999 + 0.0005, east * 0.999 + 0.0005);
    }
    for (const double up : {0.0, 1.0}) {
        for (const double east : {0.0, 1.0}) {
            CheckInside(grid, layout, up, east);
        }
    }
    // Positions the input names: as they are, and folded into the range.
    while (!positions.Empty()) {
        const auto latitude = positions.TakeRaw<double>();
        const auto longitude = positions.TakeRaw<double>();
        CheckAnswer(grid, layout, latitude, longitude);
        if (std::isfinite(latitude) && std::isfinite(longitude)) {
            CheckInside(grid, layout, std::fabs(std::fmod(latitude, 1.0)),
                        std::fabs(std::fmod(longitude, 1.0)));
        }
    }
}

// The bridge reads a grid file in pieces: its header, then the values straight into the grid's
// room. For a file whose size fits its header (any other makes the room, up to 512 MiB, before the
// size shows), that way takes and refuses what Parse does, and makes the same grid.
void CheckReadInPieces(std::span<const std::uint8_t> file, const GeoidGrid& parsed) {
    if (file.size() < kHeaderSize) {
        return;
    }
    const Layout layout(file);
    if (layout.rows < 1 || layout.columns < 1 ||
        file.size() - kHeaderSize != 4ull * layout.rows * layout.columns) {
        return;
    }
    GeoidGrid pieces;
    std::string error;
    if (!pieces.Begin(file.first(kHeaderSize), error)) {
        FUZZ_CHECK(!parsed.IsLoaded() && !error.empty());
        return;
    }
    const std::span<std::uint8_t> room = pieces.ValueBytes();
    FUZZ_CHECK(room.size() == file.size() - kHeaderSize);
    FUZZ_CHECK(parsed.IsLoaded());
    std::copy(file.begin() + kHeaderSize, file.end(), room.begin());
    pieces.Finish();
    for (const double up : {0.0, 0.25, 0.5, 1.0}) {
        for (const double east : {0.0, 0.5, 0.75, 1.0}) {
            const double latitude = layout.south + up * (layout.rows - 1) * layout.latitudeStep;
            const double longitude =
                layout.west + east * (layout.columns - 1) * layout.longitudeStep;
            const std::optional<double> a = parsed.Undulation(latitude, longitude);
            const std::optional<double> b = pieces.Undulation(latitude, longitude);
            FUZZ_CHECK(
                a.has_value() == b.has_value() &&
                (!a || std::bit_cast<std::uint64_t>(*a) == std::bit_cast<std::uint64_t>(*b)));
        }
    }
}

} // namespace

// Input: a length byte and that many bytes of positions (raw doubles, latitude then longitude),
// then the grid file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t asked = size > 0 ? std::min<std::size_t>(data[0], size - 1) : 0;
    FuzzInput positions(data + (size > 0 ? 1 : 0), asked);
    const std::span<const std::uint8_t> file(data + (size > 0 ? 1 + asked : 0),
                                             size - (size > 0 ? 1 + asked : 0));
    GeoidGrid grid;
    std::string error;
    const bool parsed = grid.Parse(file, error);
    CheckReadInPieces(file, grid);
    if (!parsed) {
        FUZZ_CHECK(!error.empty() && !grid.IsLoaded());
        FUZZ_CHECK(!grid.Undulation(0.0, 0.0).has_value());
        return 0;
    }
    FUZZ_CHECK(error.empty());
    CheckGrid(grid, file, positions);
    return 0;
}
