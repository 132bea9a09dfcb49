#pragma once
// Aircraft lines of the traffic data file as recordings have them: about 95 characters, a call
// sign made from the line's index, random values in every field.

#include <random>
#include <string>

struct GeoPosition {
    double latitude;
    double longitude;
};

// The line for aircraft `index`, ending in a newline. A line in view lies within half a degree
// of `ownShip` (inside the feeder's view box around it); any other lies anywhere on the globe
// between 60 south and 70 north. Draws its values from `engine`, so a seeded engine gives the
// same lines run after run.
std::string AircraftLine(std::mt19937& engine, int index, bool inView, GeoPosition ownShip);
