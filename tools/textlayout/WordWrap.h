#pragma once
// Lines of text broken to a width, for views and pictures that have a fixed number of columns.

#include <string>
#include <string_view>
#include <vector>

// The text in lines of at most `width` characters, broken at spaces; a word longer than a line
// is cut into pieces. At least one line.
std::vector<std::string> WrapWords(std::string_view text, int width);
