// Text layout of the terminal window. Every text that reaches the terminal passes SanitiseText
// first: the header line of a data file must not be able to send escape sequences.

#include "platform/posix/TerminalRender.h"

#include "text_functions/ControlMask.h"

#include <algorithm>

[[maybe_unused]] static const char kTerminalRenderRevision[] =
    "%Z% Corvane QX4004:08 TerminalRender.cpp $Revision: 1.1 $";

namespace {

constexpr char kReverse[] = "\x1b[7m";
constexpr char kNormal[] = "\x1b[0m";
constexpr char kClearToLineEnd[] = "\x1b[K";
constexpr int kMinimumBoxWidth = 24;

int Length(const std::string& text) {
    return static_cast<int>(text.size());
}

// The text cut or padded with spaces to exactly `width` characters.
std::string Fit(std::string_view text, int width) {
    std::string fitted(text.substr(0, static_cast<std::size_t>(std::max(width, 0))));
    fitted.resize(static_cast<std::size_t>(std::max(width, 0)), ' ');
    return fitted;
}

std::string MoveTo(int row, int column) {
    return "\x1b[" + std::to_string(row + 1) + ";" + std::to_string(column + 1) + "H";
}

// "+- caption ----+" of the given width.
std::string FrameTop(std::string_view caption, int width) {
    std::string top = caption.empty() ? "+" : "+- " + std::string(caption) + " ";
    if (Length(top) < width - 1) {
        top.append(static_cast<std::size_t>(width - 1 - Length(top)), '-');
    }
    return Fit(top, width - 1) + "+";
}

// Built in place: GCC 12 at -O3 warns falsely (-Wrestrict) about a literal prepended to a
// temporary string.
std::string FrameBottom(int width) {
    std::string bottom(static_cast<std::size_t>(std::max(width, 2)), '-');
    bottom.front() = '+';
    bottom.back() = '+';
    return bottom;
}

std::string Framed(std::string_view text, int width) {
    return "| " + Fit(text, width - 4) + " |";
}

std::vector<std::string> WindowRows(std::span<const TerminalLine> lines, const TerminalView& view,
                                    int width) {
    std::vector<std::string> rows;
    rows.push_back(Fit(SanitiseText(view.title, false), width));
    rows.push_back(FrameTop(view.frameTitle, width));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].framed) {
            for (const std::string& row : WrapText(SanitiseText(view.texts[i], false), width - 4)) {
                rows.push_back(Framed(row, width));
            }
        }
    }
    rows.push_back(FrameBottom(width));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].framed) {
            for (const std::string& row : WrapText(SanitiseText(view.texts[i], false), width)) {
                rows.push_back(row);
            }
        }
    }
    return rows;
}

std::string KeyHints(const TerminalView& view, const TerminalBox* box) {
    if (box != nullptr) {
        return "Enter OK";
    }
    std::string hints;
    if (!view.menuItem.empty()) {
        hints = "a " + SanitiseText(view.menuItem, false) + "   ";
    }
    return hints + "m Minimise   q Close";
}

std::string RenderBox(const TerminalBox& box, int width, int height) {
    const std::string caption = SanitiseText(box.caption, false);
    std::vector<std::string> text = WrapText(SanitiseText(box.text, false), width - 4);
    int boxWidth = std::max(kMinimumBoxWidth, Length(caption) + 6);
    for (const std::string& row : text) {
        boxWidth = std::max(boxWidth, Length(row) + 4);
    }
    boxWidth = std::min(boxWidth, width);
    const int fixedRows = 4; // top, empty row, button, bottom
    text.resize(std::min<std::size_t>(text.size(), std::max(height - 1 - fixedRows, 0)));

    std::vector<std::string> rows;
    rows.push_back(FrameTop(caption, boxWidth));
    for (const std::string& row : text) {
        rows.push_back(Framed(row, boxWidth));
    }
    rows.push_back(Framed("", boxWidth));
    const std::string button = "[ OK ]";
    rows.push_back(Framed(
        std::string(std::max((boxWidth - 4 - Length(button)) / 2, 0), ' ') + button, boxWidth));
    rows.push_back(FrameBottom(boxWidth));

    const int top = std::max(1, (height - static_cast<int>(rows.size())) / 2);
    const int left = std::max(0, (width - boxWidth) / 2);
    std::string out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        out += MoveTo(top + static_cast<int>(i), left) + rows[i];
    }
    return out;
}

} // namespace

std::string SanitiseText(std::string_view text, bool keepTabs) {
    std::string clean;
    clean.reserve(text.size());
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (c == '\n') {
            clean += c;
        } else if (c == '\t') {
            clean += keepTabs ? '\t' : ' ';
        } else if (c != '\r') {
            clean += IsTerminalControl(code) ? '?' : c;
        }
    }
    return clean;
}

std::vector<std::string> WrapText(std::string_view text, int width) {
    const std::size_t chunk = static_cast<std::size_t>(std::max(width, 1));
    while (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
    }
    std::vector<std::string> rows;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        do {
            rows.emplace_back(line.substr(0, chunk));
            line.remove_prefix(std::min(chunk, line.size()));
        } while (!line.empty());
        if (end == text.size()) {
            return rows;
        }
        start = end + 1;
    }
}

std::string RenderWindow(std::span<const TerminalLine> lines, const TerminalView& view,
                         HostSize screen, const TerminalBox* box) {
    // The last column stays free: writing into it makes some terminals wrap.
    const int width = std::max(screen.width - 1, 8);
    const int height = std::max(screen.height, 2);
    std::vector<std::string> rows = WindowRows(lines, view, width);
    rows.resize(std::min<std::size_t>(rows.size(), static_cast<std::size_t>(height - 1)));

    std::string out = "\x1b[H";
    out += kReverse + rows[0] + kNormal + kClearToLineEnd + "\r\n";
    for (std::size_t i = 1; i < rows.size(); ++i) {
        out += rows[i] + kClearToLineEnd + "\r\n";
    }
    out += "\x1b[J";
    out += MoveTo(height - 1, 0) + kReverse + Fit(KeyHints(view, box), width) + kNormal;
    if (box != nullptr) {
        out += RenderBox(*box, width, height);
    }
    return out;
}

std::string RenderIcon(const TerminalView& view, HostSize iconSize, int x, int y) {
    const std::string status = view.texts.empty() ? std::string() : view.texts[0];
    const std::string rows[] = {
        SanitiseText(view.title, false),
        WrapText(SanitiseText(status, false), iconSize.width)[0],
        "r Restore   q Close",
    };
    std::string out = "\x1b[H\x1b[2J";
    for (int i = 0; i < iconSize.height && i < static_cast<int>(std::size(rows)); ++i) {
        out += MoveTo(y + i, x);
        out += i == 0 ? kReverse + Fit(rows[i], iconSize.width) + kNormal
                      : Fit(rows[i], iconSize.width);
    }
    return out;
}

std::string FormatLogLine(std::string_view label, std::string_view text) {
    std::string clean = SanitiseText(text, true);
    while (!clean.empty() && clean.back() == '\n') {
        clean.pop_back();
    }
    return std::string(label) + ": " + clean + "\n";
}
