#include "tools/trafficlog/tests/TrafficLogRun.h"

#include "tools/trafficlog/main/TrafficLogCommand.h"
#include "tools/trafficlog/tests/TrafficLogTestFiles.h"

#include <cstdio>

Outcome Trafficlog(std::vector<const char*> args) {
    args.insert(args.begin(), "trafficlog");
    // Named files. tmpfile on Windows (Wine's C library) takes a name from the clock and opens
    // it without claiming it first: tests started together in parallel processes can meet on
    // one name, and one of them then gets no file.
    const TempFile outFile(".out");
    const TempFile errFile(".err");
    std::FILE* out = std::fopen(outFile.Path(), "wb");
    std::FILE* err = std::fopen(errFile.Path(), "wb");
    const int code = RunTrafficLog(static_cast<int>(args.size()), args.data(), {out, err, false});
    std::fclose(out);
    std::fclose(err);
    return {code, outFile.Read(), errFile.Read()};
}
