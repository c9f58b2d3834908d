// The password check shared by the programs that admit a request only with
// the stored password (the administration pages, the index builder and the
// record viewer). The password always comes from the POST body, never from
// the query string.
#pragma once

#include <string_view>

#include "common/text/text.h"

// Byte by byte with ASCII letters folded to upper case on both sides. Its
// time depends on the stored password's length only.
bool passwordMatches(std::string_view posted, std::string_view stored);

// The first non-empty value of the field `name` (ASCII case ignored) of a
// request body, exactly as the browser sent it: URL-decoded and without
// carriage returns, but without the quote-letter expansion that stored
// values get, so a password holding a quote before c, s or z still matches.
Text rawPostedField(std::string_view body, std::string_view name);
