#include "bench/AircraftLines.h"

#include "traffic/DataSetReader.h"

#include <cstdio>

std::string AircraftLine(std::mt19937& engine, int index, bool inView, GeoPosition ownShip) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double latitude =
        inView ? ownShip.latitude - 0.5 + unit(engine) : -60.0 + 130.0 * unit(engine);
    const double longitude =
        inView ? ownShip.longitude - 0.5 + unit(engine) : -180.0 + 360.0 * unit(engine);
    char line[kLineBufferSize];
    std::snprintf(line, sizeof line, "%c%c%c%04d  |%06x|%d|%.7f|%.7f|%.2f|%.2f|%.6f|%.6f|%.2f\n",
                  'A' + index % 26, 'A' + index / 26 % 26, 'A' + index / 676 % 26, index % 10000,
                  static_cast<unsigned>(engine() & 0xFFFFFF), 1609459200 + index % 10, latitude,
                  longitude, 11277.6 * unit(engine), 11582.4 * unit(engine), 360.0 * unit(engine),
                  260.0 * unit(engine), -20.0 + 40.0 * unit(engine));
    return line;
}
