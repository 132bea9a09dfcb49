// Reads one recorded state-vector CSV (the historical download format: a header line naming the
// columns time, icao24, lat, lon, velocity, heading, vertrate, callsign, onground, alert, spi,
// squawk, baroaltitude, geoaltitude, lastposupdate, lastcontact) into the entries of a
// conversion, one entry per distinct time.
//
// The rows must be sorted by time (as the published files are). Rows without a position, stale
// rows (time - lastcontact or time - lastposupdate over the stale limit), rows on the ground
// (unless kept) and rows outside the time window or region are dropped and counted. Rows with
// a speed, vertical rate or height no aircraft flies, or a time beyond what a data file holds,
// are bad rows. Values are
// copied as they stand, units unchanged; an empty callsign becomes the address. Streams: memory
// does not grow with the input.
#pragma once

#include "tools/trafficlog/convert/ConversionContext.h"
#include "tools/trafficlog/input/PhysicalLineReader.h"
#include "tools/trafficlog/sources/FieldText.h"

#include <cstdint>

class OpenSkyInput {
public:
    // All must outlive the object; `name` is the input as the user named it.
    OpenSkyInput(ConversionContext& context, PhysicalLineReader& reader, const char* name);

    // The reader's current line as the header. False, with the text in `error`, when it lacks
    // a column.
    bool ReadHeader(char* error, int size);
    // Reads the rest of the input.
    InputEnd Run();

private:
    static constexpr int kMaxColumns = 32;
    enum class Step { Next, Stop };

    Step Row();
    bool CheckValues(char* const* fields);
    bool CheckFlyable(char* const* fields, const FieldNumberRange* ranges);
    bool Keep(char* const* fields, std::int64_t time);
    Step Place(std::int64_t time);

    ConversionContext& context;
    PhysicalLineReader& reader;
    const char* name;
    int columnCount = 0;
    int columnOf[kMaxColumns] = {};
    bool placedAny = false;
    InputEnd end = InputEnd::Done;
    bool entryFullReported = false;
    std::int64_t rowTime = 0;
    double latitude = 0;
    double longitude = 0;
    // The row's last contact and last position update, empty when not known.
    const char* contactText = "";
    FieldNumberRange contact{};
    const char* updateText = "";
    FieldNumberRange update{};
};
