// corvane-fg: FlightGear as the simulator on the other side of the VisualInterface block.
#include "config_control/CommandArguments.h"
#include "platform/ProcessTerminal.h"
#include "tools/fg/FgModelSources.h"
#include "tools/fg/FgOptions.h"
#include "tools/fg/FgRunner.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {
// The model chosen for --match on standard output; what was loaded on standard error, so that a
// script can take the answer alone.
int ShowMatch(const FgOptions& options) {
    FgModelSources sources;
    std::vector<std::string> notes;
    std::string text;
    if (!LoadModelSources(options, sources, notes, text)) {
        std::fprintf(stderr, "corvane-fg: %s\n", text.c_str());
        return 1;
    }
    for (const std::string& note : notes) {
        std::fprintf(stderr, "corvane-fg: %s\n", note.c_str());
    }
    if (!MatchQueryText(sources, options.matchQuery, text)) {
        std::fputs(UsageErrorText("corvane-fg", text).c_str(), stderr);
        return kFgUsageExitCode;
    }
    std::printf("%s\n", text.c_str());
    return 0;
}
} // namespace

int main(int argc, char** argv) {
#ifdef SIGPIPE
    // A log piped into a program that has gone must end the run with a detach, not kill it.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    FgOptions options;
    FgOptionParser parser;
    if (!parser.Parse(argc, argv, options)) {
        std::fputs(UsageErrorText("corvane-fg", parser.FullErrorText()).c_str(), stderr);
        return kFgUsageExitCode;
    }
    switch (options.action) {
    case FgAction::Help:
        std::fputs(FgUsageText(), stdout);
        return 0;
    case FgAction::Version:
        std::printf("%s\n", FgVersionText());
        return 0;
    case FgAction::Match:
        return ShowMatch(options);
    case FgAction::Run:
        break;
    }
    const auto terminal = MakeProcessTerminal();
    return RunBridge(options, *terminal, stdout, stderr);
}
