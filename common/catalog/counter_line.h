// The label counter's line in a group description file, "count=N".
#pragma once

#include <string_view>

#include "common/text/text.h"

// `content` with its first line that begins with "count=" (exactly, lower
// case) replaced by "count=<count>\n"; without one, that line is added at the
// end (after a line feed when the last line lacks one, so it is not joined
// to that line). Every other line stays as it is.
Text withCounterLine(std::string_view content, long count);
// Where the first line beginning with "count=" lies in `content`: its start
// and its length with the line feed. False when there is none.
bool findCounterLine(std::string_view content, size_t& start, size_t& length);
