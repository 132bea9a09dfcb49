#pragma once
// A terminal that is no terminal and asks to quit after a number of looks; the run may look
// from a thread of its own.

#include "platform/ProcessTerminal.h"

#include <atomic>
#include <string>
#include <vector>

class QuitAfter : public ProcessTerminal {
public:
    explicit QuitAfter(int calls) : calls(calls) {}
    bool IsTerminal() const override { return false; }
    TerminalSize Size() const override { return {80, 24}; }
    bool QuitRequested() override { return --calls < 0; }
    bool Draw(const std::vector<std::string>&) override { return true; }
    void EndDrawing() override {}

private:
    std::atomic<int> calls;
};
