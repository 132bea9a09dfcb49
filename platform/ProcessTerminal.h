// The terminal of a tool that draws a picture in place (the stand-in's scope, the bridge's
// view): whether there is one and how big it is, the user's quit key and interrupt signals, and
// drawing in place.
#pragma once

#include <memory>
#include <string>
#include <vector>

inline constexpr char kProcessTerminalHeaderRevision[] =
    "%Z% ProcessTerminal QX4014:01 ProcessTerminal.h $Revision: 1.1 $";

struct TerminalSize {
    int columns;
    int rows;
};

class ProcessTerminal {
public:
    virtual ~ProcessTerminal() = default;

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
std::unique_ptr<ProcessTerminal> MakeProcessTerminal();

// Standard error is a terminal: a tool that writes its progress there redraws it in place.
// Asks only, without taking the keyboard or the signals as a ProcessTerminal does.
bool StandardErrorIsTerminal();
