#include "tools/fg/models/FleetXml.h"

#include <cmath>
#include <cstdlib>
#include <fstream>

namespace {
std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}
} // namespace

bool ElementText(std::string_view block, std::string_view name, std::string& out) {
    const std::string open = "<" + std::string(name) + ">";
    const std::string close = "</" + std::string(name) + ">";
    out.clear();
    const std::size_t start = block.find(open);
    if (start == std::string_view::npos) {
        return true;
    }
    const std::size_t end = block.find(close, start + open.size());
    if (end == std::string_view::npos) {
        return false;
    }
    out = Trimmed(block.substr(start + open.size(), end - start - open.size()));
    return out.find('<') == std::string::npos;
}

bool WithoutComments(std::string_view text, std::string& out) {
    out.clear();
    out.reserve(text.size());
    // Whether the text kept so far ends inside a tag. A comment may stand between elements or in
    // their text, never inside a tag: dropped there, it would join "<thre" and "shold>" into a
    // tag no XML reader sees.
    bool inTag = false;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find("<!--", at);
        if (open == std::string_view::npos) {
            out.append(text.substr(at));
            break;
        }
        const std::string_view kept = text.substr(at, open - at);
        out.append(kept);
        const std::size_t mark = kept.find_last_of("<>");
        if (mark != std::string_view::npos) {
            inTag = kept[mark] == '<';
        }
        const std::size_t close = text.find("-->", open + 4);
        if (close == std::string_view::npos || inTag) {
            return false;
        }
        at = close + 3;
    }
    return true;
}

bool ReadFleet(std::string_view raw, std::vector<FleetAircraft>& aircraft) {
    std::string text;
    aircraft.clear();
    if (!WithoutComments(raw, text) || text.find("<trafficlist") == std::string::npos ||
        text.find("</trafficlist>") == std::string::npos) {
        return false;
    }
    const std::string_view all = text;
    std::size_t at = 0;
    while ((at = all.find("<aircraft>", at)) != std::string_view::npos) {
        const std::size_t end = all.find("</aircraft>", at);
        if (end == std::string_view::npos) {
            return false;
        }
        const std::string_view block = all.substr(at, end - at);
        FleetAircraft one;
        if (!ElementText(block, "model", one.model) ||
            !ElementText(block, "airline", one.airline) ||
            !ElementText(block, "registration", one.registration)) {
            return false;
        }
        aircraft.push_back(std::move(one));
        at = end;
    }
    return true;
}

bool IsLivery(std::string_view raw) {
    std::string text;
    if (!WithoutComments(raw, text)) {
        return false;
    }
    const std::size_t open = text.find("<PropertyList");
    return open != std::string::npos && text.find("</PropertyList>", open) != std::string::npos;
}

bool ReadSmallFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        return false;
    }
    const std::streamoff size = file.tellg();
    if (size < 0 || size > static_cast<std::streamoff>(kMaxModelFileBytes)) {
        return false;
    }
    text.resize(static_cast<std::size_t>(size));
    file.seekg(0);
    return static_cast<bool>(file.read(text.data(), size));
}

bool WholeNumber(const std::string& text, double& value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0' && std::isfinite(value);
}
