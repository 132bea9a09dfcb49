// Text layout of the terminal window.

#include "app/posix/TerminalRender.h"

#include "text_functions/ControlMask.h"

#include <algorithm>

[[maybe_unused]] static const char kTerminalRenderRevision[] =
    "%Z% Corvane QX4004:08 TerminalRender.cpp $Revision: 1.1 $";

namespace {

constexpr char kReverse[] = "\x1b[7m";
constexpr char kNormal[] = "\x1b[0m";
constexpr char kClearToLineEnd[] = "\x1b[K";
constexpr int kMinimumBoxWidth = 24;

// A text as the window shows it: masked, its line feeds kept for the wrapping.
std::string Shown(std::string_view text) {
    return MaskControls(text, LineBreaks::Keep);
}

// One line of text as rows of at most `width` characters, broken at the last space that fits;
// the spaces at the break belong to neither row.
void WrapLine(std::string_view line, std::size_t width, std::vector<std::string>& rows) {
    bool rowMade = false;
    while (line.size() > width) {
        const std::size_t space = line.rfind(' ', width);
        const std::size_t last =
            space == std::string_view::npos ? space : line.find_last_not_of(' ', space);
        if (last == std::string_view::npos) {
            rows.emplace_back(line.substr(0, width)); // a word longer than a row
            line.remove_prefix(width);
        } else {
            rows.emplace_back(line.substr(0, last + 1));
            line.remove_prefix(std::min(line.find_first_not_of(' ', space), line.size()));
        }
        rowMade = true;
    }
    if (!line.empty() || !rowMade) {
        rows.emplace_back(line);
    }
}

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
    rows.push_back(Fit(Shown(view.title), width));
    rows.push_back(FrameTop(view.frameTitle, width));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].framed) {
            for (const std::string& row : WrapText(Shown(view.texts[i]), width - 4)) {
                rows.push_back(Framed(row, width));
            }
        }
    }
    rows.push_back(FrameBottom(width));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i].framed) {
            for (const std::string& row : WrapText(Shown(view.texts[i]), width)) {
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
        hints = "a " + Shown(view.menuItem) + "   ";
    }
    return hints + "m Minimise   q Close";
}

std::string RenderBox(const TerminalBox& box, int width, int height) {
    const std::string caption = MaskControls(box.caption);
    std::vector<std::string> text = WrapText(Shown(box.text), width - 4);
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

std::vector<std::string> WrapText(std::string_view text, int width) {
    const std::size_t rowWidth = static_cast<std::size_t>(std::max(width, 1));
    while (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
    }
    std::vector<std::string> rows;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        WrapLine(text.substr(start, end - start), rowWidth, rows);
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
        MaskControls(view.title),
        WrapText(Shown(status), iconSize.width)[0],
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

std::string FormatLogLine(std::string_view stamp, std::string_view label, std::string_view text) {
    std::string line(stamp);
    line += ' ';
    line += label;
    line += ": ";
    line += MaskControls(text, LineBreaks::Join);
    line += '\n';
    return line;
}
