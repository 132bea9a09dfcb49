#pragma once
// Lines of text broken to a width, for views and pictures that have a fixed number of columns.

#include <string>
#include <string_view>
#include <vector>

inline constexpr char kWordWrapHeaderRevision[] =
    "%Z% CorvaneTools QX5005:01 WordWrap.h $Revision: 1.1 $";

// The text in lines of at most `width` characters, broken at spaces; a word longer than a line
// is cut into pieces. At least one line.
std::vector<std::string> WrapWords(std::string_view text, int width);
