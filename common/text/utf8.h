// UTF-8 for the places that write it: mails, CSV downloads, JSON answers.
// Inside the system text is bytes; these turn code points into UTF-8, tell
// whether bytes already are UTF-8 and fold letter case for comparisons.
#pragma once

#include <string>
#include <string_view>

// Appends the UTF-8 bytes of `codePoint`; a surrogate or anything above
// U+10FFFF is written as U+FFFD, the replacement character.
void appendUtf8(std::string& out, unsigned codePoint);

// The length of the well-formed UTF-8 sequence at the start of `text`, or
// 0: no overlong forms, no surrogates, nothing above U+10FFFF.
size_t utf8SequenceLength(std::string_view text);

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool isUtf8(std::string_view text);

// `text` with its letters in one case, for comparing two texts with letter
// case ignored: ASCII letters and the letters of Latin-1 and Latin
// Extended-A (among them every letter of the entity names) in lower case;
// other letters and bytes that are not UTF-8 stay as they are.
std::string foldCase(std::string_view text);
