#pragma once
// What corvane-fg chooses each aircraft's model from, loaded once at start as the options name
// it: FlightGear's AI models, the aircraft database and the user's model table.

#include "tools/fg/FgOptions.h"
#include "tools/fg/models/ModelMatcher.h"

#include <memory>
#include <string>
#include <vector>

struct FgModelSources {
    ModelCatalogue catalogue;
    AircraftDatabase database;
    ModelOverrides overrides;
    std::unique_ptr<ModelMatcher> matcher;
};

// Loads the sources; what was found (or not) goes to `notes`, one line each. False, with the
// reason in `error`, when a file the user named cannot be used (a user who names a database
// wants it, not a silent default), when the watch stopped a read, or when an input needs more
// memory than the machine gives. The database and the model table may be FIFOs or pipes.
bool LoadModelSources(const FgOptions& options, FgModelSources& sources,
                      std::vector<std::string>& notes, std::string& error,
                      ReadWatch& watch = NoReadWatch());

// The answer to --match CALLSIGN[/ADDRESS]: the model and why, or what is wrong with the query.
bool MatchQueryText(const FgModelSources& sources, const std::string& query, std::string& text);
