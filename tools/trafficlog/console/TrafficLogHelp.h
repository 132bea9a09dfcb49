// The help texts of trafficlog: the overview, which holds every command's options too (the
// manual page is made from it), and one per command, each with its exit codes.
#pragma once

#include <string>

// The help of the command, or the overview for null or a name that is no command.
std::string TrafficLogHelp(const char* command);
