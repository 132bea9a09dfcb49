#pragma once
// The two kinds of file FlightGear's AI traffic is made of, read as far as the matcher needs
// them: an airline's fleet (AI/Traffic/<letter>/<airline>.xml, one <aircraft> per airframe) and a
// livery (AI/Aircraft/<type>/<livery>.xml, a PropertyList). The files are simple and written by
// hand, so a plain scan of their elements is enough; anything unexpected makes the file
// malformed rather than half-read.

#include <string>
#include <string_view>
#include <vector>

// Files larger than this are no fleet or livery FlightGear ships: refused unread.
inline constexpr std::size_t kMaxModelFileBytes = 4 * 1024 * 1024;

struct FleetAircraft {
    std::string model;        // relative to AI/, as the file gives it
    std::string airline;      // ICAO designator
    std::string registration; // as the file gives it
};

// The text of element `name` inside `block`, trimmed: empty when it is missing; false when it is
// opened and not closed, or holds elements of its own.
bool ElementText(std::string_view block, std::string_view name, std::string& out);
// The text without its <!-- --> comments; false when a comment is not closed, or stands inside
// a tag, where XML has none.
bool WithoutComments(std::string_view text, std::string& out);
// The aircraft of a fleet file; false when it is not one (no <trafficlist> root, an element
// not closed).
bool ReadFleet(std::string_view text, std::vector<FleetAircraft>& aircraft);
// A livery file: a closed <PropertyList>.
bool IsLivery(std::string_view text);
// The number that is the whole of `text`, finite; false otherwise.
bool WholeNumber(const std::string& text, double& value);
// The whole of a file no larger than kMaxModelFileBytes; false when it cannot be read.
bool ReadSmallFile(const std::string& path, std::string& text);
