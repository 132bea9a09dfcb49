#pragma once
// What the POSIX dialog host shows, as text: the full-screen window with ANSI escapes, the
// compact display of a minimised window, modal boxes, and log lines for output without a
// terminal. Pure functions, so that the layout can be checked without a terminal.

#include "platform/DialogHost.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr char kTerminalRenderHeaderRevision[] =
    "%Z% Corvane QX4004:07 TerminalRender.h $Revision: 1.1 $";

// One static text control of the dialog template, in the order the terminal shows them.
struct TerminalLine {
    int controlId;
    const char* label; // names the line in log output
    bool framed;       // drawn inside the template's group frame
};

// The window's state as the host keeps it.
struct TerminalView {
    std::string title;
    std::string frameTitle;
    std::vector<std::string> texts; // one per layout line
    std::string menuItem;           // the window-menu item for key "a"; empty when none
    bool minimised = false;
};

// A modal box with an OK button only.
struct TerminalBox {
    std::string caption;
    std::string text;
};

// The text with every control character that a terminal would act on replaced by "?".
// Line feeds stay; carriage returns go; tabs become a space unless keepTabs.
std::string SanitiseText(std::string_view text, bool keepTabs);

// The text cut into lines at its line feeds and wrapped at `width` characters; an empty text
// gives one empty line.
std::vector<std::string> WrapText(std::string_view text, int width);

// The whole window, drawn from the top left corner, with the box on top of it when there is one.
std::string RenderWindow(std::span<const TerminalLine> lines, const TerminalView& view,
                         HostSize screen, const TerminalBox* box);

// The compact display of a minimised window: a block of iconSize characters at column x, row y
// (from 0) on an otherwise empty screen.
std::string RenderIcon(const TerminalView& view, HostSize iconSize, int x, int y);

// "<label>: <text>" and a line feed; a text with line feeds spans lines.
std::string FormatLogLine(std::string_view label, std::string_view text);
