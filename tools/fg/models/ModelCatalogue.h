#pragma once
// The models FlightGear can draw traffic with, read once at start from its AI data: every livery
// under AI/Aircraft/<type>/, and every airline's fleet under AI/Traffic/<letter>/. Paths are kept
// as a multiplayer message carries them (AI/Aircraft/A320/A320-AerLingus.xml); a path that would
// not fit the message is left out, never cut. Candidates are kept sorted, so that a choice by
// index is the same on every run. Only regular files are read: a FIFO there is no FlightGear
// file and would hold the start up.

#include "tools/fg/models/StartInput.h"

#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The multiplayer message's model field, its terminating NUL included.
inline constexpr std::size_t kModelPathSize = 96;

struct CatalogueCounts {
    int liveries = 0;
    int fleets = 0;
    int airframes = 0;
    int malformed = 0;         // files refused: not the XML expected, unreadable or too large
    int unusable = 0;          // airframes whose model is no livery found, or too long a path
    int unreadableFolders = 0; // type or letter folders that could not be listed
};

class ModelCatalogue {
public:
    // Reads `fgRoot`'s AI data; false when it has no AI/Aircraft folder or the watch stopped
    // the read (Stopped then).
    bool Build(const std::string& fgRoot, ReadWatch& watch = NoReadWatch());
    bool Stopped() const { return stopped; }

    const CatalogueCounts& Counts() const { return counts; }
    bool Empty() const { return byFolder.empty(); }

    // The liveries of one type folder; empty when there is none.
    const std::vector<std::string>& ModelsOf(std::string_view folder) const;
    // The model of an airframe by registration (any case, hyphens ignored); empty when unknown.
    std::string_view ModelOfRegistration(std::string_view registration) const;
    // The distinct models an airline flies of one type folder.
    const std::vector<std::string>& AirlineModelsOf(std::string_view airline,
                                                    std::string_view folder) const;
    // The airline's models flown by the most airframes (more than one on a tie).
    const std::vector<std::string>& AirlineCommonModels(std::string_view airline) const;
    bool KnowsAirline(std::string_view airline) const;

private:
    std::vector<std::string> Entries(const std::string& dir, bool folders);
    // A file of at most kMaxModelFileBytes into `text`; false when it cannot be read.
    bool ReadModelFile(const std::string& path, std::string& text, ReadWatch& watch);
    void ReadLiveries(const std::string& aircraftDir, ReadWatch& watch);
    void ReadFleets(const std::string& trafficDir, ReadWatch& watch);
    void ReadFleet(const std::string& path, ReadWatch& watch);
    void Settle();

    struct Airline {
        std::map<std::string, std::vector<std::string>, std::less<>> byFolder;
        std::map<std::string, int> airframes; // by model
        std::vector<std::string> common;
    };

    std::map<std::string, std::vector<std::string>, std::less<>> byFolder;
    std::unordered_map<std::string, std::string> byRegistration;
    std::map<std::string, Airline, std::less<>> airlines;
    CatalogueCounts counts;
    bool stopped = false;
};

// A registration as compared: upper case, without hyphens and blanks.
std::string RegistrationKey(std::string_view registration);
// The type folder of a model path (AI/Aircraft/<folder>/...); empty when it has none.
std::string_view FolderOfModel(std::string_view model);
