// The progress line that long runs show on a terminal.
#pragma once

#include <cstdint>

// "[#########---------]  47%  123.4 of 262.1 MB" in `width` characters of bar; without a total
// (0) only the amount done. Always terminated within `size`.
void FormatProgressBar(char* output, int size, std::int64_t done, std::int64_t total, int width);
