#include "tools/textlayout/WordWrap.h"

#include <algorithm>

std::vector<std::string> WrapWords(std::string_view text, int width) {
    const std::size_t limit = static_cast<std::size_t>(std::max(width, 1));
    std::vector<std::string> lines;
    while (text.size() > limit) {
        std::size_t end = text.rfind(' ', limit);
        const bool atSpace = end != std::string_view::npos && end > 0;
        end = atSpace ? end : limit;
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(atSpace ? end + 1 : end);
    }
    lines.emplace_back(text);
    return lines;
}
