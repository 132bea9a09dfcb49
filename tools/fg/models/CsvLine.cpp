#include "tools/fg/models/CsvLine.h"

#include <algorithm>

namespace {
// A quoted field from `at` (on its opening quote); `at` ends past the closing quote.
bool QuotedField(std::string_view line, std::size_t& at, std::string& field) {
    const char quote = line[at++];
    while (at < line.size()) {
        const char c = line[at++];
        if (c != quote) {
            field.push_back(c);
        } else if (at < line.size() && line[at] == quote) {
            field.push_back(quote);
            ++at;
        } else {
            return at == line.size() || line[at] == ',';
        }
    }
    return false;
}
} // namespace

bool SplitCsvLine(std::string_view line, std::vector<std::string>& fields) {
    fields.clear();
    std::size_t at = 0;
    while (true) {
        std::string& field = fields.emplace_back();
        if (at < line.size() && (line[at] == '"' || line[at] == '\'')) {
            if (!QuotedField(line, at, field)) {
                return false;
            }
        } else {
            const std::size_t comma = std::min(line.find(',', at), line.size());
            field.assign(line.substr(at, comma - at));
            at = comma;
        }
        if (at >= line.size()) {
            return true;
        }
        ++at; // the comma
    }
}
