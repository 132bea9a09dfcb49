// The geoid: how far mean sea level lies above the WGS-84 ellipsoid, N(latitude, longitude).
// A geometric (GNSS) height h is above the ellipsoid; h - N is the height above mean sea level.
//
// The grid comes in the .gtx form that PROJ reads (EGM96's 15-minute grid, egm96_15.gtx): a
// header of four big-endian doubles (south-west latitude, west longitude, latitude step,
// longitude step, in degrees) and two big-endian int32 (rows, columns), then rows x columns
// big-endian float32 values, row by row from south to north, west to east. -88.8888 marks a point
// without a value; a value that is no number (NaN, an infinity) counts as one without.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The header's size in bytes.
inline constexpr std::size_t kGeoidHeaderSize = 4 * 8 + 2 * 4;

class GeoidGrid {
public:
    // A .gtx file's bytes. False, with the reason in `error`, when they are not a grid (a
    // header that does not fit their size, steps that are no steps, a grid that reaches beyond
    // the poles or holds more than 512 MiB); the grid then holds nothing.
    bool Parse(std::span<const std::uint8_t> bytes, std::string& error);

    // The same for a reader that takes the file in pieces, so that nothing but the grid is
    // held: the header (the file's first kGeoidHeaderSize bytes) makes room for the values and
    // is refused as Parse refuses it; the reader puts the bytes that follow it into
    // ValueBytes() as they come, and Finish makes them the grid's values.
    bool Begin(std::span<const std::uint8_t> header, std::string& error);
    std::span<std::uint8_t> ValueBytes();
    void Finish();

    bool IsLoaded() const { return !values.empty(); }

    // N in metres at a position, bilinear between the four grid points around it. Empty outside
    // the grid, where a point that counts has no value, or for a position that is no position.
    // A grid that spans the whole circle of longitude wraps across its west edge.
    std::optional<double> Undulation(double latitude, double longitude) const;

private:
    // The header's grid into this one, which then holds no values yet; `points` is its size.
    bool TakeHeader(std::span<const std::uint8_t> header, std::uint64_t& points,
                    std::string& error);
    double ValueAt(int row, int column) const { return values[row * columns + column]; }

    double south = 0;
    double west = 0;
    double latitudeStep = 0;
    double longitudeStep = 0;
    int rows = 0;
    int columns = 0;
    bool wraps = false;
    std::vector<float> values;  // the grid's, once finished
    std::vector<float> pending; // between Begin and Finish, the file's bytes as they are
};
