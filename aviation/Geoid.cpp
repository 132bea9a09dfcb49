#include "aviation/Geoid.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {
// A world grid at one minute is 149 MB; a file beyond this is no geoid grid of ours.
constexpr std::uint64_t kMaxFileSize = 512ull << 20;
// PROJ's mark of a grid point without a value.
constexpr double kNoData = -88.8888;

std::uint64_t BigEndian(const std::uint8_t* bytes, int size) {
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i) {
        value = value << 8 | bytes[i];
    }
    return value;
}

double DoubleAt(const std::uint8_t* bytes) {
    return std::bit_cast<double>(BigEndian(bytes, 8));
}

std::int32_t Int32At(const std::uint8_t* bytes) {
    return std::bit_cast<std::int32_t>(static_cast<std::uint32_t>(BigEndian(bytes, 4)));
}

float FloatAt(const std::uint8_t* bytes) {
    return std::bit_cast<float>(static_cast<std::uint32_t>(BigEndian(bytes, 4)));
}

// A value that is no number (NaN, an infinity) has no value either: a grid that holds one must
// not make a height that is no number.
bool IsNoData(double value) {
    return !std::isfinite(value) || std::fabs(value - kNoData) < 1e-3;
}
} // namespace

// The size is checked against the header before anything is allocated: a few bytes that
// claim a grid of hundreds of megabytes make no room for it.
bool GeoidGrid::Parse(std::span<const std::uint8_t> bytes, std::string& error) {
    std::uint64_t points = 0;
    if (bytes.size() < kGeoidHeaderSize) {
        *this = GeoidGrid();
        error = "shorter than its header";
        return false;
    }
    if (!TakeHeader(bytes.first(kGeoidHeaderSize), points, error)) {
        return false;
    }
    if (bytes.size() - kGeoidHeaderSize != 4 * points) {
        *this = GeoidGrid();
        error = "its size does not fit its header";
        return false;
    }
    values.resize(points);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = FloatAt(&bytes[kGeoidHeaderSize + 4 * i]);
    }
    return true;
}

bool GeoidGrid::Begin(std::span<const std::uint8_t> header, std::string& error) {
    std::uint64_t points = 0;
    if (!TakeHeader(header, points, error)) {
        return false;
    }
    pending.resize(points);
    return true;
}

bool GeoidGrid::TakeHeader(std::span<const std::uint8_t> header, std::uint64_t& points,
                           std::string& error) {
    *this = GeoidGrid();
    const double south = DoubleAt(&header[0]);
    const double west = DoubleAt(&header[8]);
    const double latitudeStep = DoubleAt(&header[16]);
    const double longitudeStep = DoubleAt(&header[24]);
    const std::int32_t rows = Int32At(&header[32]);
    const std::int32_t columns = Int32At(&header[36]);
    if (!std::isfinite(south) || !std::isfinite(west) || !(latitudeStep > 0) ||
        !(longitudeStep > 0) || !std::isfinite(latitudeStep) || !std::isfinite(longitudeStep) ||
        rows < 1 || columns < 1) {
        error = "its header holds no grid";
        return false;
    }
    const double north = south + (rows - 1) * latitudeStep;
    if (south < -90.0 - 1e-9 || north > 90.0 + 1e-9 || columns * longitudeStep > 360.0 + 1e-9) {
        error = "it reaches beyond the earth";
        return false;
    }
    points = static_cast<std::uint64_t>(rows) * columns;
    if (kGeoidHeaderSize + 4 * points > kMaxFileSize) {
        error = "its header holds a grid larger than 512 MiB";
        return false;
    }
    this->south = south;
    this->west = west;
    this->latitudeStep = latitudeStep;
    this->longitudeStep = longitudeStep;
    this->rows = rows;
    this->columns = columns;
    // A grid whose columns close the circle (EGM96's 1440 of 0.25 degrees) goes on across it.
    wraps = std::fabs(columns * longitudeStep - 360.0) < longitudeStep / 2;
    return true;
}

std::span<std::uint8_t> GeoidGrid::ValueBytes() {
    return {reinterpret_cast<std::uint8_t*>(pending.data()), pending.size() * sizeof(float)};
}

// The values in place, from the file's big-endian order to this machine's floats.
void GeoidGrid::Finish() {
    for (float& value : pending) {
        value = FloatAt(reinterpret_cast<const std::uint8_t*>(&value));
    }
    values.swap(pending);
    pending = {};
}

std::optional<double> GeoidGrid::Undulation(double latitude, double longitude) const {
    if (values.empty() || !std::isfinite(latitude) || !std::isfinite(longitude)) {
        return std::nullopt;
    }
    const double y = (latitude - south) / latitudeStep;
    double x = (longitude - west) / longitudeStep;
    if (wraps) {
        x = std::fmod(x, columns);
        if (x < 0) {
            x += columns;
        }
    }
    // A point on the last row or column (a pole, the east edge) is that row or column itself.
    constexpr double kEdge = 1e-9;
    if (y < -kEdge || y > rows - 1 + kEdge || x < -kEdge || (!wraps && x > columns - 1 + kEdge)) {
        return std::nullopt;
    }
    const int row = std::clamp(static_cast<int>(std::floor(y)), 0, rows - 1);
    const int column = std::clamp(static_cast<int>(std::floor(x)), 0, columns - 1);
    const double up = std::clamp(y - row, 0.0, 1.0);
    const double east = std::clamp(x - column, 0.0, 1.0);
    const int nextRow = std::min(row + 1, rows - 1);
    const int nextColumn = wraps ? (column + 1) % columns : std::min(column + 1, columns - 1);
    const struct {
        int row;
        int column;
        double weight;
    } corners[] = {{row, column, (1 - up) * (1 - east)},
                   {row, nextColumn, (1 - up) * east},
                   {nextRow, column, up * (1 - east)},
                   {nextRow, nextColumn, up * east}};
    double sum = 0;
    for (const auto& corner : corners) {
        if (corner.weight == 0) {
            continue;
        }
        const double value = ValueAt(corner.row, corner.column);
        if (IsNoData(value)) {
            return std::nullopt;
        }
        sum += corner.weight * value;
    }
    return sum;
}
