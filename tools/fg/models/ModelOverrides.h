#pragma once
// The user's own choices of model, one a line: `KEY MODEL-PATH`, where the key is a callsign, a
// callsign's beginning or an ICAO address of six hexadecimal digits. Blank lines and lines
// starting with # are skipped. The file may be a FIFO or a pipe, and holds at most 4 MiB.

#include "error_report/QX_ErrorReport.h"
#include "tools/fg/models/StartInput.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A table larger than this is no table written by hand: refused unread.
inline constexpr std::size_t kMaxModelTableBytes = 4 * 1024 * 1024;

class ModelOverrides : public QX_ErrorReport {
public:
    // False when the file cannot be read (or is larger than kMaxModelTableBytes, or the watch
    // stopped the read), or a line is not `KEY PATH` with a path that fits a multiplayer
    // message; the error text names the line.
    bool Load(const std::string& path, ReadWatch& watch = NoReadWatch());
    bool Add(std::string_view line, int lineNumber);

    // The model for an aircraft, empty when no line names it: its whole callsign first, then
    // its address, then the longest beginning of its callsign.
    std::string_view Find(std::string_view callsign, std::int32_t address) const;
    std::size_t Size() const { return lines.size(); }

private:
    struct Line {
        std::string key;
        std::string model;
    };
    std::vector<Line> lines;
};
