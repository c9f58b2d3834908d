// UTF-8 for the places that write it: mails, CSV downloads, JSON answers.
// Inside the system text is bytes; these turn code points into UTF-8 and
// tell whether bytes already are UTF-8.
#pragma once

#include <string>
#include <string_view>

// Appends the UTF-8 bytes of `codePoint` (at most U+10FFFF).
void appendUtf8(std::string& out, unsigned codePoint);

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool isUtf8(std::string_view text);
