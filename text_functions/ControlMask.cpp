#include "text_functions/ControlMask.h"

#include "text_functions/TextFunctions.h"

// Like the interface layout's identifier, compiled in but not registered: configuration control
// depends on this library, not the other way round.
[[maybe_unused]] static const char kControlMaskRevision[] =
    "%Z% TextFunctions QX3102:08 ControlMask.cpp $Revision: 1.1 $";

namespace {

constexpr char kMask = '?';
constexpr char kLineJoint[] = " / ";

char MaskedByte(char c) {
    if (c == '\t') {
        return ' ';
    }
    return IsTerminalControl(static_cast<unsigned char>(c)) ? kMask : c;
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
    std::string masked;
    masked.reserve(text.size());
    bool lineBreakPending = false;
    for (const char c : text) {
        if (lineBreaks != LineBreaks::Mask && c == '\r') {
            continue;
        }
        if (lineBreaks == LineBreaks::Join && c == '\n') {
            lineBreakPending = !masked.empty();
            continue;
        }
        if (lineBreakPending) {
            masked += kLineJoint;
            lineBreakPending = false;
        }
        masked += lineBreaks == LineBreaks::Keep && c == '\n' ? c : MaskedByte(c);
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
