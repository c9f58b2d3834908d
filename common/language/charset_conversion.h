// Converting posted text between the charsets a page may declare: UTF-8,
// ISO-8859-1 and ISO-8859-2. A form part that names a charset other than
// its page's is converted, so a record holds one charset whatever sent it.
#pragma once

#include <string>
#include <string_view>

// `text` in the charset `to`. Names are compared ignoring case; when either
// is not one of the three, or both are the same, the bytes stay as they are.
// A letter that `to` cannot write becomes "?", and so does a broken UTF-8
// sequence.
std::string convertCharset(std::string_view text, std::string_view from, std::string_view to);
