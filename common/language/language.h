// The built-in language table: English and Slovenian with their date and time
// formats, and for Slovenian the eight codings and three charsets. The table
// is constant data; the current coding and charset of a request live in
// LanguageChoice, which starts every request at coding 0 and no charset.
#pragma once

#include <array>
#include <string_view>

#include "common/language/entities.h"

struct Language {
  const char* shortName;
  const char* longName;
  const char* dateFormat;
  const char* timeFormat;
  int codingCount;  // 0: output is never converted
  int entityCount;
  const char* const* codingNames;
  int charsetCount;
  const char* const* charsetNames;

  // Index of the coding or charset named `name` (ASCII case ignored), or -1.
  // Both search from the last entry to the first.
  int findCoding(std::string_view name) const;
  int findCharset(std::string_view name) const;
};

inline constexpr int kLanguageCount = 2;
inline constexpr int kEnglish = 0;
inline constexpr int kSlovenian = 1;

extern const std::array<Language, kLanguageCount> kLanguages;

// Index of the language whose short name is `name` (ASCII case ignored), or -1.
int findLanguage(std::string_view name);

// The per-request state of one language row.
struct LanguageChoice {
  int currentCoding = 0;
  int currentCharset = -1;  // none
};
