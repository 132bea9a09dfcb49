// corvane-sim: the simulator's side of the VisualInterface block, for trials without a
// simulator.
#include "tools/sim/SimOptions.h"
#include "tools/sim/SimRunner.h"
#include "tools/sim/SimTerminal.h"

#include <cstdio>

namespace {
[[maybe_unused]] const char kRevision[] = "%Z% CorvaneSim QX5001:18 SimMain.cpp $Revision: 1.1 $";
}

int main(int argc, char** argv) {
    SimOptions options;
    SimOptionParser parser;
    if (!parser.Parse(argc, argv, options)) {
        std::fprintf(stderr, "corvane-sim: %s\n%s", parser.GetErrorText(), kSimUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kSimUsage, stdout);
        return 0;
    }
    if (options.remove) {
        return RemoveStaleBlock(options.name, options.force, stdout, stderr);
    }
    const auto terminal = MakeProcessTerminal();
    return RunStandIn(options, *terminal, stdout, stderr);
}
