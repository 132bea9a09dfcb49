#include "tools/fg/models/ModelOverrides.h"

#include "text_functions/TextFunctions.h"
#include "tools/fg/models/ModelCatalogue.h"

#include <algorithm>
#include <cctype>

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Word(std::string_view& text) {
    std::size_t at = 0;
    while (at < text.size() && IsBlank(text[at])) {
        ++at;
    }
    std::size_t end = at;
    while (end < text.size() && !IsBlank(text[end])) {
        ++end;
    }
    const std::string_view word = text.substr(at, end - at);
    text.remove_prefix(end);
    return word;
}

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}
} // namespace

bool ModelOverrides::Add(std::string_view text, int lineNumber) {
    const std::string_view key = Word(text);
    if (key.empty() || key.front() == '#') {
        return true;
    }
    const std::string_view model = Word(text);
    const bool printable =
        std::all_of(model.begin(), model.end(), [](char c) { return c > ' ' && c < 0x7f; });
    const bool fits =
        printable && !model.empty() && model.size() < kModelPathSize && Word(text).empty();
    if (!fits) {
        char problem[96];
        FormatBounded(problem, sizeof problem,
                      "line %d: not KEY MODEL-PATH with a path of at most %d characters",
                      lineNumber, static_cast<int>(kModelPathSize - 1));
        SetErrorText(problem);
        return false;
    }
    lines.push_back({Upper(key), std::string(model)});
    return true;
}

bool ModelOverrides::Load(const std::string& path, ReadWatch& watch) {
    lines.clear();
    std::string text;
    std::string why;
    switch (ReadWholeFile(path, kMaxModelTableBytes, FileKinds::PipesToo, watch, text, why)) {
    case WholeFile::Read:
        break;
    case WholeFile::TooLarge:
        SetErrorText(("the model table is " + why + ", the most a model table may hold").c_str());
        return false;
    case WholeFile::Stopped:
        SetErrorText("stopped while reading the model table");
        return false;
    case WholeFile::Failed:
        SetErrorText(("cannot read the model table: " + why).c_str());
        return false;
    }
    std::string_view rest = text;
    SkipByteOrderMark(rest);
    for (int number = 1; !rest.empty(); ++number) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        if (!Add(rest.substr(0, end), number)) {
            return false;
        }
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return true;
}

std::string_view ModelOverrides::Find(std::string_view callsign, std::int32_t address) const {
    const std::string upper = Upper(callsign);
    char hex[8] = "";
    if (address >= 0) {
        FormatBounded(hex, sizeof hex, "%06X", static_cast<unsigned>(address) & 0xFFFFFFu);
    }
    for (const Line& line : lines) {
        if (!upper.empty() && line.key == upper) {
            return line.model;
        }
    }
    for (const Line& line : lines) {
        if (hex[0] != '\0' && line.key == hex) {
            return line.model;
        }
    }
    const Line* best = nullptr;
    for (const Line& line : lines) {
        if (upper.starts_with(line.key) &&
            (best == nullptr || line.key.size() > best->key.size())) {
            best = &line;
        }
    }
    return best != nullptr ? std::string_view(best->model) : std::string_view{};
}
