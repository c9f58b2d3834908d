// The plain text of a message the pages write as markup, for answers that
// are not pages (a script's JSON): tags removed, character references and
// the entity names of Slovenian letters turned into UTF-8.
#pragma once

#include <string_view>

#include "common/text/text.h"

// "Ne najdem obrazca <tt>a&lt;b</tt> &scaron;" -> "Ne najdem obrazca a<b š".
// An "&" that begins no known reference stays as it is.
Text plainText(std::string_view markup);
