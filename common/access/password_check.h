// The password check shared by the programs that admit a request only with
// the stored password (the administration pages, the index builder and the
// record viewer). The password always comes from the POST body, never from
// the query string, and as the browser sent it (common/cgi/raw_fields.h).
#pragma once

#include <string_view>

// Byte by byte with ASCII letters folded to upper case on both sides. Its
// time depends on the stored password's length only.
bool passwordMatches(std::string_view posted, std::string_view stored);

// Byte by byte, exactly (a token for scripts, such as the metrics page's).
// Its time depends on the stored token's length only.
bool tokenMatches(std::string_view presented, std::string_view stored);
