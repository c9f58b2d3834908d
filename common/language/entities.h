// The 38 entity names that hold letters outside ASCII inside the system, and
// their conversion into the eight Slovenian codings on page output.
#pragma once

#include <string_view>

#include "common/text/text.h"

inline constexpr int kEntityCount = 38;
inline constexpr int kCodingCount = 8;

extern const char* const kEntityNames[kEntityCount];
extern const char* const kCodingNames[kCodingCount];

// Replaces every entity name by its string in the coding `coding` (0..7, in
// the order of kCodingNames); a negative coding leaves the text as it is.
// Matching is case-sensitive and tries the names from the last to the first;
// a replacement is never scanned again.
Text convertEntities(std::string_view text, int coding);
// The conversion as a page writes it: the same replacements, except that a
// double or single quote in one (the tex coding writes the letter c with a
// caron as a quote and c) is written as a character reference. Entity names
// can come from visitors, and a letter must never close an attribute.
Text convertEntitiesForPage(std::string_view text, int coding);
// The same entity table read the other way: an entity name at `text`'s start
// gives its Unicode code point and the name's length, or 0.
int entityCodePoint(std::string_view text, int* nameLength);

// Entity names ("&ccaron;" and the others of the 38) turned into the UTF-8
// bytes of their letters; every other byte is kept.
Text entitiesToUtf8(std::string_view text);
