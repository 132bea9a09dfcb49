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

bool AircraftDatabase::Load(const std::string& path, FileKinds kinds, ReadWatch& watch) {
    *this = AircraftDatabase();
    GzipLines reader(path, kMaxDatabaseLine, kinds, watch);
    if (!reader.IsOpen()) {
        SetErrorText(("cannot open the aircraft database " + path + ": " + reader.Why()).c_str());
        return false;
    }
    std::string_view line;
    bool tooLong = false;
    std::vector<std::string> fields;
    const bool header = reader.Next(line, tooLong) && !tooLong && SplitCsvLine(line, fields) &&
                        (addressColumn = ColumnOf(fields, "icao24")) >= 0;
    if (header) {
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
    }
    if (reader.Stopped()) {
        SetErrorText(("stopped while reading the aircraft database " + path).c_str());
    } else if (reader.Failed()) {
        SetErrorText(("cannot read the aircraft database " + path + ": " + reader.Why()).c_str());
    } else if (!header) {
        SetErrorText(("the aircraft database " + path + " has no header with icao24").c_str());
    }
    return header && !reader.Failed();
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
    if ((entries.size() + 1) * 4 > slots.size() * 3) {
        Grow();
    }
    std::uint64_t& slot = slots[SlotOf(entry.address)];
    if (slot != 0) {
        entries[(slot >> 32) - 1] = entry; // the later row of an address counts
    } else {
        entries.push_back(entry);
        slot = SlotValue(entries.size() - 1, entry.address);
    }
    return true;
}

std::uint64_t AircraftDatabase::SlotValue(std::size_t index, std::uint32_t address) {
    return (static_cast<std::uint64_t>(index) + 1) << 32 | address;
}

std::size_t AircraftDatabase::SlotOf(std::uint32_t address) const {
    // Fibonacci hashing: the address's bits spread over the top of the product.
    const std::size_t mask = slots.size() - 1;
    std::size_t at = static_cast<std::uint32_t>(address * 2654435769u) >> (32 - slotBits);
    while (slots[at] != 0 && static_cast<std::uint32_t>(slots[at]) != address) {
        at = (at + 1) & mask;
    }
    return at;
}

void AircraftDatabase::Grow() {
    slotBits = std::max(slotBits + 1, 10);
    slots.assign(std::size_t{1} << slotBits, 0);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        slots[SlotOf(entries[i].address)] = SlotValue(i, entries[i].address);
    }
}

const AircraftInfo* AircraftDatabase::Find(std::uint32_t address) const {
    if (slots.empty()) {
        return nullptr;
    }
    const std::uint64_t slot = slots[SlotOf(address)];
    return slot != 0 ? &entries[(slot >> 32) - 1].info : nullptr;
}
