// The stand-in's terminal: whether there is one and how big it is, the user's quit key and
// interrupt signals, and drawing the scope in place. One source file per platform.
#pragma once

#include <memory>
#include <string>
#include <vector>

inline constexpr char kSimTerminalHeaderRevision[] =
    "%Z% CorvaneSim QX5001:13 SimTerminal.h $Revision: 1.2 $";

struct TerminalSize {
    int columns;
    int rows;
};

class SimTerminal {
public:
    virtual ~SimTerminal() = default;

    // Standard output is a terminal: draw the scope, else print log lines.
    virtual bool IsTerminal() const = 0;
    // Columns and rows now (the user may have resized it); 80 by 24 when it does not tell.
    virtual TerminalSize Size() const = 0;
    // The user pressed q, Escape or Ctrl-C, or an interrupt, hang-up or termination signal came.
    virtual bool QuitRequested() = 0;
    // Replaces what was drawn last, from the top left corner. False when the output refuses.
    virtual bool Draw(const std::vector<std::string>& lines) = 0;
    // Leaves the last picture on the screen with the cursor below it, for the lines that follow.
    virtual void EndDrawing() = 0;
};

// The terminal of this process: keys read without echo while the object lives; a write to a
// closed pipe fails instead of ending the process.
std::unique_ptr<SimTerminal> MakeProcessTerminal();
