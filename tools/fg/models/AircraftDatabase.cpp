#include "tools/fg/models/AircraftDatabase.h"

#include "text_functions/TextFunctions.h"
#include "tools/fg/models/CsvLine.h"
#include "tools/fg/models/GzipLines.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {
int ColumnOf(const std::vector<std::string>& header, const char* name) {
    const auto found = std::find(header.begin(), header.end(), name);
    return found == header.end() ? -1 : static_cast<int>(found - header.begin());
}

// The field of a column into `out`; false when it does not fit. A missing column is empty.
template <std::size_t N>
bool Field(const std::vector<std::string>& fields, int column, char (&out)[N]) {
    const std::string empty;
    const std::string& text =
        column >= 0 && column < static_cast<int>(fields.size()) ? fields[column] : empty;
    if (text.size() >= N) {
        return false;
    }
    CopyBounded(out, text.c_str(), static_cast<int>(N));
    return true;
}

} // namespace

bool ReadIcaoAddress(std::string_view text, std::uint32_t& address) {
    if (text.empty() || text.size() > 6) {
        return false;
    }
    address = 0;
    for (const char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
        const int lower = std::tolower(static_cast<unsigned char>(c));
        address = address * 16 +
                  static_cast<std::uint32_t>(lower <= '9' ? lower - '0' : lower - 'a' + 10);
    }
    return true;
}

bool AircraftDatabase::Load(const std::string& path) {
    GzipLines reader(path, kMaxDatabaseLine);
    if (!reader.IsOpen()) {
        SetErrorText(("cannot open the aircraft database " + path).c_str());
        return false;
    }
    std::string_view line;
    bool tooLong = false;
    std::vector<std::string> fields;
    if (!reader.Next(line, tooLong) || tooLong || !SplitCsvLine(line, fields) ||
        (addressColumn = ColumnOf(fields, "icao24")) < 0) {
        SetErrorText(("the aircraft database " + path + " has no header with icao24").c_str());
        return false;
    }
    registrationColumn = ColumnOf(fields, "registration");
    typeColumn = ColumnOf(fields, "typecode");
    descriptionColumn = ColumnOf(fields, "icaoaircrafttype");
    operatorColumn = ColumnOf(fields, "operatoricao");
    while (reader.Next(line, tooLong)) {
        ++counts.rows;
        if (tooLong || !SplitCsvLine(line, fields) || !TakeRow(fields)) {
            ++counts.bad;
        }
    }
    Settle();
    return true;
}

bool AircraftDatabase::TakeRow(const std::vector<std::string>& fields) {
    Entry entry{};
    if (addressColumn >= static_cast<int>(fields.size()) ||
        !ReadIcaoAddress(fields[addressColumn], entry.address) ||
        !Field(fields, registrationColumn, entry.info.registration) ||
        !Field(fields, typeColumn, entry.info.typeCode) ||
        !Field(fields, descriptionColumn, entry.info.description) ||
        !Field(fields, operatorColumn, entry.info.operatorCode)) {
        return false;
    }
    entries.push_back(entry);
    return true;
}

// Sorted by address for the look-up; of two rows of one address the later counts.
void AircraftDatabase::Settle() {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.address < b.address; });
    auto last = entries.end();
    std::vector<Entry> kept;
    kept.reserve(entries.size());
    for (auto it = entries.begin(); it != last; ++it) {
        if (!kept.empty() && kept.back().address == it->address) {
            kept.back() = *it;
        } else {
            kept.push_back(*it);
        }
    }
    entries.swap(kept);
}

const AircraftInfo* AircraftDatabase::Find(std::uint32_t address) const {
    const auto found =
        std::lower_bound(entries.begin(), entries.end(), address,
                         [](const Entry& entry, std::uint32_t key) { return entry.address < key; });
    return found != entries.end() && found->address == address ? &found->info : nullptr;
}
