#pragma once
// ICAO aircraft type designators (A320, B738, E190) against the folder names of FlightGear's AI
// aircraft (A320, 738, E90).

#include <span>
#include <string_view>
#include <vector>

struct TypeFolder {
    const char* designator;
    const char* folder;
};

// The folders that may draw a designator, best first: those of the table, then a folder of the
// designator's own name (any case), as many AI folders are named so.
std::vector<std::string_view> FoldersOfType(std::string_view designator);
// The whole table, for its users' checks.
std::span<const TypeFolder> TypeFolderTable();
