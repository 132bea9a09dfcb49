#pragma once
// One line of a comma-separated file as the aircraft databases are written: fields may be
// quoted with " or ' (a doubled quote inside stands for one), and blanks around a field are
// kept as they are.

#include <string>
#include <string_view>
#include <vector>

// The fields of `line` (no line end in it); false when a quoted field is not closed or has
// something between its closing quote and the next comma.
bool SplitCsvLine(std::string_view line, std::vector<std::string>& fields);
