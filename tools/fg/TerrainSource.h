#pragma once
// Where the bridge learns the height of the simulator's own ground at a point: asked now,
// answered some ticks later, so that the asking never waits.

#include <cstdint>
#include <vector>

enum class TerrainResult {
    Height,     // the ground's elevation there
    NoScenery,  // the simulator has no ground loaded there (yet)
    Unanswered, // the question was lost (the server went, or answered nothing usable): ask again
};

struct TerrainAnswer {
    std::int64_t ticket = 0;
    TerrainResult result = TerrainResult::Unanswered;
    double elevation = 0; // metres above mean sea level, with Height
};

class TerrainSource {
public:
    // A ticket for the answer, or 0 when nothing can be asked now (no server, or too many
    // questions waiting): ask again later.
    virtual std::int64_t AskTerrain(double latitude, double longitude) = 0;
    // The answers that came since the last call, each ticket answered once.
    virtual std::vector<TerrainAnswer> TakeTerrain() = 0;

protected:
    ~TerrainSource() = default;
};
