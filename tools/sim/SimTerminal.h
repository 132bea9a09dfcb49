// The stand-in's terminal: whether there is one, the user's quit key and interrupt signals,
// and drawing the scope in place. One source file per platform.
#pragma once

#include <memory>
#include <string>
#include <vector>

inline constexpr char kSimTerminalHeaderRevision[] =
    "%Z% CorvaneSim QX5001:13 SimTerminal.h $Revision: 1.1 $";

class SimTerminal {
public:
    virtual ~SimTerminal() = default;

    // Standard output is a terminal: draw the scope, else print log lines.
    virtual bool IsTerminal() const = 0;
    // The user pressed q (or Escape), or an interrupt or termination signal came.
    virtual bool QuitRequested() = 0;
    // Replaces what was drawn last.
    virtual void Draw(const std::vector<std::string>& lines) = 0;
};

// The terminal of this process: keys read without echo while the object lives.
std::unique_ptr<SimTerminal> MakeProcessTerminal();
