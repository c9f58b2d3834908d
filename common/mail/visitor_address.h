// Whether a posted value is one mail address a mail may go to: the mail to
// a visitor goes to what a stranger typed, so anything that could name a
// second recipient or reach a header line is refused rather than repaired.
//
// Accepted: blanks around it, then "local@domain" with a local part of 1 to
// 64 letters, digits and "._%+-=" (no dot first, last or twice), and a
// domain of two or more dot-separated labels of letters, digits and "-" (1
// to 63 each, no "-" first or last), the whole at most kMaxAddressLength.
// Refused among others: lists ("a@x, b@y", "a@x; b@y"), line breaks, display
// names ("Ana <a@x>"), angle brackets, quotes, comments, IP literals.
#pragma once

#include <string_view>

#include "common/text/text.h"

inline constexpr size_t kMaxAddressLength = 254;

// The address `value` holds, trimmed of blanks; empty when it is none.
Text singleMailAddress(std::string_view value);
