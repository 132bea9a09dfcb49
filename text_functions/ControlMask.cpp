#include "text_functions/ControlMask.h"

#include "text_functions/TextFunctions.h"

// Like the interface layout's identifier, compiled in but not registered: configuration control
// depends on this library, not the other way round.
[[maybe_unused]] static const char kControlMaskRevision[] =
    "%Z% TextFunctions QX3102:08 ControlMask.cpp $Revision: 1.2 $";

namespace {

constexpr char kMask = '?';

char MaskedByte(char c) {
    if (c == '\t') {
        return ' ';
    }
    return IsTerminalControl(static_cast<unsigned char>(c)) ? kMask : c;
}

bool IsLineBreak(char c) {
    return c == '\n' || c == '\r';
}

std::string JoinedLines(std::string_view text) {
    while (!text.empty() && IsLineBreak(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsLineBreak(text.back())) {
        text.remove_suffix(1);
    }
    std::string joined;
    joined.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!IsLineBreak(text[i])) {
            joined += MaskedByte(text[i]);
        } else if (!IsLineBreak(text[i + 1])) {
            // The last break of a run; the text no longer ends with one, so i + 1 is inside.
            joined += " / ";
        }
    }
    return joined;
}

} // namespace

bool IsTerminalControl(unsigned char c) {
    return c < 0x20 || c == 0x7f || (c >= 0x80 && c <= 0x9f);
}

bool HoldsTerminalControl(std::string_view text) {
    for (const char c : text) {
        if (IsTerminalControl(static_cast<unsigned char>(c))) {
            return true;
        }
    }
    return false;
}

std::string MaskControls(std::string_view text, LineBreaks lineBreaks) {
    if (lineBreaks == LineBreaks::Join) {
        return JoinedLines(text);
    }
    std::string masked;
    masked.reserve(text.size());
    for (const char c : text) {
        if (lineBreaks == LineBreaks::Keep && c == '\n') {
            masked += c;
        } else if (lineBreaks == LineBreaks::Keep && c == '\r') {
            continue;
        } else {
            masked += MaskedByte(c);
        }
    }
    return masked;
}

char* MaskControlsBounded(char* buffer, const char* text, int size) {
    if (buffer == nullptr || size < 1) {
        return buffer;
    }
    int length = 0;
    for (; text != nullptr && text[length] != '\0' && length < size - 1; ++length) {
        buffer[length] = MaskedByte(text[length]);
    }
    buffer[length] = '\0';
    return buffer;
}
