#pragma once
// What the POSIX dialog host shows, as text: the full-screen window with ANSI escapes, the
// compact display of a minimised window, modal boxes, and log lines for output without a
// terminal. Pure functions, so that the layout can be checked without a terminal. Every text is
// shown through the one masking rule (text_functions/ControlMask.h): the header line of a data
// file must not be able to send escape sequences.

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

// The text cut into lines at its line feeds and wrapped to rows of at most `width` characters:
// at the last space that fits, so that no word (no call sign of the in-view list) is broken,
// and only a word longer than a row is cut. An empty text gives one empty row.
std::vector<std::string> WrapText(std::string_view text, int width);

// The whole window, drawn from the top left corner, with the box on top of it when there is one.
std::string RenderWindow(std::span<const TerminalLine> lines, const TerminalView& view,
                         HostSize screen, const TerminalBox* box);

// The compact display of a minimised window: a block of iconSize characters at column x, row y
// (from 0) on an otherwise empty screen.
std::string RenderIcon(const TerminalView& view, HostSize iconSize, int x, int y);

// "<stamp> <label>: <text>" and a line feed: one line, whatever the text holds (its lines are
// joined with " / ").
std::string FormatLogLine(std::string_view stamp, std::string_view label, std::string_view text);
