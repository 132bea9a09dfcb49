// corvane-fg: FlightGear as the simulator on the other side of the VisualInterface block.
#include "tools/fg/FgOptions.h"
#include "tools/fg/FgRunner.h"
#include "tools/sim/SimTerminal.h"

#include <csignal>
#include <cstdio>

namespace {
[[maybe_unused]] const char kRevision[] = "%Z% CorvaneFg QX5003:21 FgMain.cpp $Revision: 1.1 $";
} // namespace

int main(int argc, char** argv) {
#ifdef SIGPIPE
    // A log piped into a program that has gone must end the run with a detach, not kill it.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    FgOptions options;
    FgOptionParser parser;
    if (!parser.Parse(argc, argv, options)) {
        std::fprintf(stderr, "corvane-fg: %s\nTry 'corvane-fg --help'.\n",
                     parser.FullErrorText().c_str());
        return kFgUsageExitCode;
    }
    switch (options.action) {
    case FgAction::Help:
        std::fputs(FgUsageText(), stdout);
        return 0;
    case FgAction::Version:
        std::printf("%s\n", FgVersionText());
        return 0;
    case FgAction::Run:
        break;
    }
    const auto terminal = MakeProcessTerminal();
    return RunBridge(options, *terminal, stdout, stderr);
}
