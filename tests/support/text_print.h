// Lets GoogleTest print a Text in failure messages as the quoted bytes it
// holds rather than as an object dump.
#pragma once

#include <ostream>

#include "common/text/text.h"

inline void PrintTo(const Text& text, std::ostream* out) {
  *out << '"';
  for (char c : text.str()) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b < 0x7F && c != '\\' && c != '"') {
      *out << c;
    } else {
      static constexpr char kHex[] = "0123456789ABCDEF";
      *out << "\\x" << kHex[b >> 4] << kHex[b & 15];
    }
  }
  *out << '"';
}
