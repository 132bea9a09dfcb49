#pragma once
// A fuzz input converted as `trafficlog convert` converts a file, and the data file it wrote held
// to what the feeder reads as written: whatever the input, a data file that convert writes has
// no finding of `trafficlog check` (no number out of range, not finite or misread, no value an
// aircraft cannot fly, no broken tag; an input with no row kept gives a file of no entries).

#include <string>

void ConvertAndCheck(const std::string& bytes);
