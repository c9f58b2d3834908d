// MessageTable: one user-visible message in both languages, English first and
// Slovenian second (Slovenian letters as entity names).
#pragma once

struct MessageTable {
  const char* english;
  const char* slovenian;

  constexpr const char* pick(int languageIndex) const {
    return languageIndex == 1 ? slovenian : english;
  }
};

namespace messages {
inline constexpr MessageTable kErrorTitle{"Runtime Error", "Napaka med izvajanjem programa"};
inline constexpr MessageTable kWarningTitle{"Warning", "Opozorilo"};
inline constexpr MessageTable kContactLine{
    "If problems persist, contact administrator",
    "&Ccaron;e se problemi ponavljajo, obvestite vzd&zcaron;evalca"};
}  // namespace messages
