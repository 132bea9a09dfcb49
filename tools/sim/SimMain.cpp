// corvane-sim: the simulator's side of the VisualInterface block, for trials without a
// simulator.
#include "config_control/CommandArguments.h"
#include "config_control/ProductVersion.h"
#include "platform/ProcessTerminal.h"
#include "tools/sim/SimOptions.h"
#include "tools/sim/SimRunner.h"

#include <cstdio>

namespace {}

int main(int argc, char** argv) {
    SimOptions options;
    SimOptionParser parser;
    if (!parser.Parse(argc, argv, options)) {
        std::fputs(UsageErrorText("corvane-sim", parser.FullErrorText()).c_str(), stderr);
        return kSimExitUsage;
    }
    if (options.help) {
        std::fputs(SimUsageText(), stdout);
        return kSimExitNormal;
    }
    if (options.version) {
        std::printf("corvane-sim (%s)\n", kProductVersion);
        return kSimExitNormal;
    }
    if (options.remove) {
        return RemoveStaleBlock(options.name, options.force, stdout, stderr);
    }
    const auto terminal = MakeProcessTerminal();
    return RunStandIn(options, *terminal, stdout, stderr);
}
