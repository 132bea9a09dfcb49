// Runs the trafficlog program's command line in the test's process, its output caught.
#pragma once

#include <string>
#include <vector>

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

// `trafficlog ARGS...`, standard output and error into files of their own, no terminal.
Outcome Trafficlog(std::vector<const char*> args);
